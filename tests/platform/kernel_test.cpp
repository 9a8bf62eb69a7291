#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/codepage.h"
#include "platform/kernel.h"
#include "platform_testing/manual_clock.h"
#include "test_files.h"

using namespace vr;

TEST(TickCount, WrapsLikeASigned32BitCounter) {
    UseManualClock(true, int64_t(2147483647) * 1000000);
    EXPECT_EQ(GetTickCount(), 2147483647);
    AdvanceManualClock(1000000);
    EXPECT_EQ(GetTickCount(), INT32_MIN);  // passes the signed limit
    SetManualClockNs(int64_t(4294967296) * 1000000 + 5000000);
    EXPECT_EQ(GetTickCount(), 5);  // wraps to 0 after 2^32 ms
    UseManualClock(false);
    int32_t a = GetTickCount();
    int32_t b = GetTickCount();
    EXPECT_GE(int64_t(b) - a, 0);
}

TEST(PerformanceCounter, ManualClockAdvancesBySleepAndAutoStep) {
    int64_t f = 0;
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(f, 1000000000);
    UseManualClock(true, 1000);
    int64_t c = 0;
    QueryPerformanceCounter(&c);
    EXPECT_EQ(c, 1000);
    Sleep(3);  // advances instead of waiting
    QueryPerformanceCounter(&c);
    EXPECT_EQ(c, 3001000);
    SetClockAutoStep(10);
    QueryPerformanceCounter(&c);
    QueryPerformanceCounter(&c);
    EXPECT_EQ(c, 3001010);
    UseManualClock(false);
    int64_t c1 = 0, c2 = 0;
    QueryPerformanceCounter(&c1);
    QueryPerformanceCounter(&c2);
    EXPECT_GE(c2, c1);
}

TEST(Paths, BackslashesAreSeparatorsAndFilesCanBeTested) {
    EXPECT_EQ(NativePath("C:\\x"), "C:/x");
    EXPECT_EQ(NativePath("\\log.txt"), "/log.txt");
    std::string dir = vr::testing::FreshFolder("paths");
    vr::testing::WriteBytes(dir + "/a.txt", "x");
    EXPECT_TRUE(PathFileExistsA(dir + "\\a.txt"));
    EXPECT_FALSE(PathFileExistsA(dir + "\\b.txt"));
    EXPECT_TRUE(PathFileExistsA(dir));
    EXPECT_TRUE(IsDirectory(dir));
    EXPECT_FALSE(PathFileExistsA(""));
    EXPECT_TRUE(PathFileExistsA(ProgramFolder()));
}

TEST(SystemDirectory, LivesBelowXdgDataHomeAndIsCreated) {
    std::string base = vr::testing::FreshFolder("xdg");
    setenv("XDG_DATA_HOME", base.c_str(), 1);
    char buf[255];
    uint32_t n = GetSystemDirectoryA(buf, 255);
    std::string dir(buf, n);
    EXPECT_EQ(dir, base + "/vrplatform/system");
    EXPECT_TRUE(IsDirectory(dir));
    char tiny[4];
    EXPECT_EQ(GetSystemDirectoryA(tiny, 4), dir.size() + 1);  // the size needed
}

TEST(CodePage, Windows1252RoundTripsThroughUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += char(b);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
    EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(AnsiToUtf8("\xE9"), "\xC3\xA9");
    EXPECT_EQ(Utf8ToAnsi("\xE2\x98\x83"), "?");  // a snowman is not in the code page
    EXPECT_EQ(Utf8ToAnsi("\xC3"), "?");          // cut sequence
    EXPECT_EQ(AnsiLower("FiRe1 \xC9"), "fire1 \xE9");
    EXPECT_EQ(Utf8ToAnsi("\xC2\x80"), "?") << "U+0080 is a control, not the euro sign";
}

TEST(CodePage, WellFormedUtf8IsConvertedAndAnythingElseIsTakenAsWindows1252) {
    struct {
        const char* what;
        std::string text, ansi;
    } cases[] = {
        {"plain ASCII", "Hello 42!", "Hello 42!"},
        {"UTF-8 letters and the euro sign", "Zo\xC3\xAB caf\xC3\xA9 \xE2\x82\xAC", "Zo\xEB caf\xE9 \x80"},
        {"outside the code page", "\xE2\x98\x83 \xF0\x9F\x98\x80", "? ?"},
        {"Windows-1252 bytes", "Zo\xEB caf\xE9 \x80", "Zo\xEB caf\xE9 \x80"},
        {"a cut sequence", "caf\xC3", "caf\xC3"},
        {"an overlong slash", "\xC0\xAF", "\xC0\xAF"},
        {"a surrogate", "\xED\xA0\x80", "\xED\xA0\x80"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},
    };
    for (const auto& c : cases) EXPECT_EQ(AnsiFromUtf8OrAnsi(c.text), c.ansi) << c.what;
}
