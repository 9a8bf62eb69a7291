// Cases from the documented behaviour of the Windows profile functions.
#include <gtest/gtest.h>

#include "profile_fixture.h"

using namespace vr;
using vr::testing::Profile;
using vr::testing::ReadBytes;

TEST_F(Profile, ParsesHeadersKeysAndCommentsWithTheWindowsRules) {
    File("  [sec]whoops]\r\nkey=v1\r\n[ x ]\nk2 = \t spaced \t\r\n;c=1\rk3=;x\n#h=1\n[[odd]\nq=1\n[S]key=hidden\n[Open   \nz=2\n");
    EXPECT_EQ(Get("sec", "key"), "v1");
    EXPECT_EQ(Get("x", "k2"), "spaced");
    EXPECT_EQ(Get("x", ";c", "d"), "d");  // a comment line cannot be read
    EXPECT_EQ(Get("x", "k3"), ";x");       // no end-of-line comments
    EXPECT_EQ(Get("x", "#h"), "1");        // "#" is plain text
    EXPECT_EQ(Get("[odd", "q"), "1");
    EXPECT_EQ(Get("S", "key", "def"), "def");  // text after "]" is thrown away
    EXPECT_EQ(Get("Open", "z"), "2");          // the closing "]" is optional
}

TEST_F(Profile, MatchesNamesIgnoringCaseAndOnlyEdgeSpaces) {
    File("[Top10]\r\nName=Ann\r\n");
    EXPECT_EQ(Get("tOP10", "NAME"), "Ann");
    EXPECT_EQ(Get("  Top10  ", "  name  "), "Ann");
    EXPECT_EQ(Get("\tTop10", "Name", "miss"), "miss");
    EXPECT_EQ(Get("Top10", "Name\t", "miss"), "miss");
}

TEST_F(Profile, FirstSectionAndFirstKeyWin) {
    File("[a]\r\nk=1\r\nk=2\r\n[b]\r\nx=1\r\n[a]\r\nk=3\r\nonly=4\r\n");
    EXPECT_EQ(Get("a", "k"), "1");
    EXPECT_EQ(Get("a", "only", "default"), "default");
}

TEST_F(Profile, ValuesLoseOneMatchingQuotePairAndDefaultsOnlyTrailingSpaces) {
    File("[q]\r\na=\"val2\"\r\nb='' x ''\r\nc=\"mixed'\r\nd=\"\r\ne=  ' keep '  \r\nf=\r\n=empty key\r\n");
    EXPECT_EQ(Get("q", "a"), "val2");
    EXPECT_EQ(Get("q", "b"), "' x '");
    EXPECT_EQ(Get("q", "c"), "\"mixed'");
    EXPECT_EQ(Get("q", "d"), "\"");
    EXPECT_EQ(Get("q", "e"), " keep ");
    EXPECT_EQ(Get("q", "f", "dflt"), "");  // an empty value is not the default
    EXPECT_EQ(Get("q", ""), "empty key");
    EXPECT_EQ(Get("q", "missing", "   default   "), "   default");
    EXPECT_EQ(Get("q", "missing", "\tdefault\t"), "\tdefault\t");
    EXPECT_EQ(Get("q", "missing", "\"quoted\""), "\"quoted\"");
}

TEST_F(Profile, TruncatesToTheBufferAndListsNames) {
    File("[App]\r\nkey=val1\r\n[name1]\r\nname1=a\r\nname2=b\r\nname3\r\nname4=c\r\n");
    EXPECT_EQ(Get("App", "key", "", 4), "val");
    EXPECT_EQ(Get("App", "key", "", 5), "val1");
    EXPECT_EQ(Get("App", "key", "", 1), "");
    char untouched[4] = {'z', 'z', 'z', 'z'};
    EXPECT_EQ(GetPrivateProfileStringA("App", "key", "", untouched, 0, file_.c_str()), 0u);
    EXPECT_EQ(untouched[0], 'z');
    std::string list = Get("name1", nullptr);
    EXPECT_EQ(last_, 18u);
    EXPECT_EQ(list, std::string("name1\0name2\0name4\0", 18));
    Get("name1", nullptr, "", 16);
    EXPECT_EQ(last_, 14u);
    Get(nullptr, nullptr);
    EXPECT_EQ(last_, 10u);  // "App\0name1\0"
}

TEST_F(Profile, MissingFilesAndKeysBeforeAnySectionGiveTheDefault) {
    EXPECT_EQ(Get("a", "b", "none"), "none");
    File("orphan=1\r\n[]\r\nk=empty section\r\n");
    EXPECT_EQ(Get("", "orphan", "d"), "d");
    EXPECT_EQ(Get("", "k"), "empty section");
    std::string buf(16, '\0');
    EXPECT_EQ(GetPrivateProfileStringA("a", "b", "x", buf.data(), 16, ""), 1u);
}

TEST_F(Profile, WritesANewFileWithCrlfAndNoBlankLines) {
    ASSERT_NE(WritePrivateProfileStringA("Section", "key", "value", file_.c_str()), 0);
    EXPECT_EQ(Bytes(), "[Section]\r\nkey=value\r\n");
    WritePrivateProfileStringA("Section", "key2", "v2", file_.c_str());
    WritePrivateProfileStringA("App2", "k", " spaced ", file_.c_str());
    EXPECT_EQ(Bytes(), "[Section]\r\nkey=value\r\nkey2=v2\r\n[App2]\r\nk= spaced \r\n");
    EXPECT_EQ(Get("App2", "k"), "spaced");  // edge spaces are lost on the round trip
}

TEST_F(Profile, ReplacesInPlaceKeepingSpellingAndOtherLines) {
    File("junk\r\n[Sec]\r\nTestKey=TestValue\r\n;note\r\n[Other]\r\nx=1");
    WritePrivateProfileStringA("sec", "testkey", "TestValue2", file_.c_str());
    WritePrivateProfileStringA("SEC", "NewKey", "n", file_.c_str());
    WritePrivateProfileStringA("other", "y", "2", file_.c_str());
    EXPECT_EQ(Bytes(), "junk\r\n[Sec]\r\nTestKey=TestValue2\r\nNewKey=n\r\n;note\r\n[Other]\r\nx=1\r\ny=2\r\n");
}

TEST_F(Profile, AddsALineBreakBeforeANewSectionAtAnUnterminatedEnd) {
    File("[a]\r\nk=v");
    WritePrivateProfileStringA("b", "k", "v", file_.c_str());
    EXPECT_EQ(Bytes(), "[a]\r\nk=v\r\n[b]\r\nk=v\r\n");
    using namespace std::string_literals;
    File("\0\0\r\n[x]\r\nk=1\r\n"s);
    WritePrivateProfileStringA("x", "k", "2", file_.c_str());
    EXPECT_EQ(Bytes(), "\0\0\r\n[x]\r\nk=2\r\n"s);  // NUL bytes are kept
}

TEST_F(Profile, DeletesKeysAndSectionsButKeepsComments) {
    File("[a]\r\nk=1\r\n;keep\r\nj=2\r\n[b]\r\nz=1\r\n");
    EXPECT_NE(WritePrivateProfileStringA("a", "k", nullptr, file_.c_str()), 0);
    EXPECT_EQ(Bytes(), "[a]\r\n;keep\r\nj=2\r\n[b]\r\nz=1\r\n");
    EXPECT_NE(WritePrivateProfileStringA("a", "missing", nullptr, file_.c_str()), 0);
    EXPECT_NE(WritePrivateProfileStringA("a", nullptr, nullptr, file_.c_str()), 0);
    EXPECT_EQ(Bytes(), ";keep\r\n[b]\r\nz=1\r\n");
    EXPECT_EQ(WritePrivateProfileStringA(nullptr, "k", "v", file_.c_str()), 0);
}

TEST_F(Profile, CommentKeysAreWrittenButNeverRead) {
    File("[s]\r\nreal=1\r\n");
    WritePrivateProfileStringA("s", ";c", "1", file_.c_str());
    WritePrivateProfileStringA("s", ";c", "2", file_.c_str());
    EXPECT_EQ(Bytes(), "[s]\r\nreal=1\r\n;c=2\r\n;c=1\r\n");
    EXPECT_EQ(Get("s", ";c", "d"), "d");
}

TEST_F(Profile, FailsCleanlyOnBadTargetsAndSurvivesBadFiles) {
    std::string missing = dir_ + "/no/such/dir/x.ini";
    EXPECT_EQ(WritePrivateProfileStringA("a", "b", "c", missing.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/no"));
    EXPECT_EQ(WritePrivateProfileStringA("a", "b", "c", ""), 0);
    EXPECT_EQ(WritePrivateProfileStringA("a", "b", "c", nullptr), 0);
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += char((i * 7919) & 0xFF);
    File(binary);
    Get("a", "b", "d");
    EXPECT_NE(WritePrivateProfileStringA("a", "b", "c", file_.c_str()), 0);
    EXPECT_EQ(Get("a", "b"), "c");
    File("[big]\r\nk=" + std::string(1 << 20, 'x') + "\r\n");
    EXPECT_EQ(Get("big", "k", "", 255).size(), 254u);
}

TEST_F(Profile, BareNamesLiveInTheSystemDirectory) {
    setenv("XDG_DATA_HOME", dir_.c_str(), 1);
    EXPECT_NE(WritePrivateProfileStringA("s", "k", "v", "bare.ini"), 0);
    EXPECT_EQ(ReadBytes(dir_ + "/vrplatform/system/bare.ini"), "[s]\r\nk=v\r\n");
    char buf[16];
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buf, 16, "bare.ini"), 1u);
}
