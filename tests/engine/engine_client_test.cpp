// The engine as a client sees it: created by class identity from the
// manifest beside the test program, called through the interface header.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "korva2d/korva2d_calls.h"
#include "log_lines.h"
#include "platform/runtime_error.h"
#include "platform_testing/dialog_answers.h"
#include "test_files.h"
#include "version.h"
#include "wave_writer.h"

using namespace korva2d;
using namespace korva2d::calls;
using vr::testing::LogMessages;

namespace {

class EngineClient : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = vr::testing::FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        vr::testing::WriteWave16(dir_ + "/fire1.wav", 22050, 1, vr::testing::Tone(22050, 440, 0.2));
        engine_ = Create<_Engine>(CLSID_Engine, IID__Engine);
        extra_ = Create<_Extra>(CLSID_Extra, IID__Extra);
        unsetenv("KORVA2D_DX8_FAIL");
        unsetenv("KORVA2D_DX8_SOUND_DEVICES");
    }
    void TearDown() override {
        unsetenv("KORVA2D_DX8_FAIL");
        unsetenv("KORVA2D_DX8_SOUND_DEVICES");
    }
    std::vector<std::string> Log() { return LogMessages(dir_ + "/log.txt"); }
    std::string dir_;
    vr::com::ComPtr<_Engine> engine_;
    vr::com::ComPtr<_Extra> extra_;
};

}  // namespace

TEST_F(EngineClient, SoundOnlyStartRegistersAndUnloadsWithExactlyTheLogLines) {
    EXPECT_EQ(Version(*engine_).ToText(), vr::version::kEngineText);
    EXPECT_EQ(Pi(*extra_), 0.0f);  // before any start
    EXPECT_EQ(Korva2D_Start_OnlySound(*engine_, 0, dir_), -1);
    EXPECT_FLOAT_EQ(Pi(*extra_), 3.14159265f);
    EXPECT_FLOAT_EQ(Rad(*extra_), 3.14159265f / 180.0f);
    CreateSound(*engine_, "fire1", "fire1.wav");
    CreateSound(*engine_, "Missing", "missing.wav");
    const std::vector<std::string> refused = {"DirectX Error | Error importing sound KeyName.\\n'fire1' already exists!"};
    EXPECT_EQ(vr::testing::ShownDialogs([&] { CreateSound(*engine_, "FIRE1", "fire1.wav"); }), refused);  // nothing logged
    vr::testing::WriteBytes(dir_ + "/bad.wav", "this is not a sound");
    CreateSound(*engine_, "bad", "bad.wav");
    auto shown = vr::testing::ShownDialogs([&] { CreateSound(*engine_, "bad", "bad.wav"); });
    EXPECT_EQ(shown.size(), 1u) << "the key stays taken: the duplicate box again";
    SoundPlay(*engine_, "Fire1");
    SoundPlay(*engine_, "bad");    // no buffer: nothing plays, nothing reported
    SoundPlay(*engine_, "fire2");  // never registered: nothing at all
    SoundStop(*engine_, "fire1", -1);
    Korva2D_Unload(*engine_);
    std::vector<std::string> expected = {
        std::string(42, '#'),
        "APPLICATION STARTED (USING ONLY SOUND) ###",
        "File is missing : " + dir_ + "\\missing.wav",
        "Error in CreateSound(" + dir_ + "\\bad.wav) : DSERR_BADFORMAT: the wave format is not supported",
        "APPLICATION ENDED ###",
    };
    auto log = Log();
    // The error line goes on with libsndfile's words for what is wrong.
    const std::string reason = " (it is not a sound libsndfile reads: ";
    if (log.size() == expected.size() && log[3].rfind(expected[3] + reason, 0) == 0) log[3] = expected[3];
    EXPECT_EQ(log, expected);
}

TEST_F(EngineClient, DuplicateKeyWithMissingFileOnlyLogsTheMissingFile) {
    Korva2D_Start_OnlySound(*engine_, 0, dir_);
    CreateSound(*engine_, "fire1", "fire1.wav");
    int dialogs = vr::DialogCount();
    CreateSound(*engine_, "fire1", "gone.wav");
    EXPECT_EQ(vr::DialogCount(), dialogs);
    EXPECT_EQ(Log().back(), "File is missing : " + dir_ + "\\gone.wav");
}

TEST_F(EngineClient, WithoutASoundDeviceEverySoundCallDoesNothing) {
    if (!VR_TEST_SEAMS) GTEST_SKIP() << "built without the engine's failure hooks (VR_TEST_SEAMS)";
    setenv("KORVA2D_DX8_SOUND_DEVICES", "0", 1);
    EXPECT_EQ(Korva2D_Start_OnlySound(*engine_, 0, dir_), -1);
    CreateSound(*engine_, "x", "missing.wav");  // returns before even testing the file
    SoundPlay(*engine_, "x");
    SoundStop(*engine_);
    EXPECT_EQ(Log().size(), 2u);
}

TEST_F(EngineClient, MissingDirectXShowsTheInstallBoxAndFailsBackToTheCaller) {
    if (!VR_TEST_SEAMS) GTEST_SKIP() << "built without the engine's failure hooks (VR_TEST_SEAMS)";
    setenv("KORVA2D_DX8_FAIL", "root,d3dx", 1);
    int32_t hwnd = 0;
    Text path = dir_;
    VBool result = 0;
    vr::com::HRESULT hr = 0;
    auto shown = vr::testing::ShownDialogs([&] { hr = engine_->Korva2D_Start_OnlySound(hwnd, path, &result); });
    EXPECT_EQ(shown, std::vector<std::string>{"DirectX Error | Install DirectX 8.1 or better"});
    EXPECT_EQ(static_cast<uint32_t>(hr), 0x800A005Bu);  // error 91 without D3DX for the error text
    EXPECT_EQ(Log().size(), 2u);                          // only the two start lines
}

TEST_F(EngineClient, FailingSoundEnumerationIsLoggedAndTheStartGoesOn) {
    if (!VR_TEST_SEAMS) GTEST_SKIP() << "built without the engine's failure hooks (VR_TEST_SEAMS)";
    setenv("KORVA2D_DX8_FAIL", "dsenum", 1);
    EXPECT_EQ(Korva2D_Start_OnlySound(*engine_, 0, dir_), -1);
    ASSERT_EQ(Log().size(), 3u);
    EXPECT_EQ(Log()[2], "Error in Initilize_Soundcard() : DSERR_NODRIVER: no sound driver is available");
}

TEST_F(EngineClient, ExtraForwardsToTheFileUtilitiesRelativeToAppPath) {
    Korva2D_Start_OnlySound(*engine_, 0, dir_);
    LogLine saved = SaveLog(*extra_, "hello");
    EXPECT_EQ(saved.file, dir_ + "\\log.txt");
    EXPECT_EQ(saved.line.substr(0, 4), "### ");
    EXPECT_EQ(saved.line.substr(saved.line.size() - 10), " ### hello");
    EXPECT_EQ(SaveLog(*extra_, "x", "other.log").file, dir_ + "\\other.log");
    EXPECT_EQ(LogMessages(dir_ + "/other.log"), std::vector<std::string>{"x"});
    EXPECT_NE(INIWrite(*extra_, "S", "K", std::string(300, 'v'), Variant("cfg.ini")), 0);
    EXPECT_EQ(INIRead(*extra_, "s", "k", "cfg.ini"), std::string(254, 'v'));
    EXPECT_EQ(INIRead(*extra_, "s", "none", "cfg.ini"), "");
    EXPECT_EQ(INIWrite(*extra_, "S", "K", "v", Variant("no/such/dir/cfg.ini")), 0);
    EXPECT_EQ(FileExists(*extra_, "cfg.ini"), -1);
    EXPECT_EQ(FileExists(*extra_, dir_ + "/cfg.ini"), 0);  // absolute names are still joined to AppPath
    EXPECT_EQ(Log().back(), "File is missing : " + dir_ + "\\" + dir_ + "/cfg.ini");
}

TEST_F(EngineClient, INIWriteRefusesWhatWouldWriteOtherLinesThanItsOwn) {
    Korva2D_Start_OnlySound(*engine_, 0, dir_);
    ASSERT_NE(INIWrite(*extra_, "User", "name", "alice", Variant("cfg.ini")), 0);
    const std::string before = vr::testing::ReadBytes(dir_ + "/cfg.ini");
    struct {
        Text section, key, value;
    } refused[] = {
        {"User", "name", "bob\r\n[Admin]\r\nlevel=9"},   {"User", "name", "bob\nlevel=9"},
        {"User", "name", "bob\rlevel=9"},                {"User", "name", std::string("bob\0x", 5)},
        {"User\r\n[Admin]", "level", "9"},              {"Admin]x", "level", "9"},
        {"User", "x\r\nlevel", "9"},                    {"User", "level=9", ""},
        {"User", "  [Admin]", "9"},                      {"User", "\t[Admin]", "9"},
    };
    for (const auto& r : refused)
        EXPECT_EQ(INIWrite(*extra_, r.section, r.key, r.value, Variant("cfg.ini")), 0) << r.section << "|" << r.key;
    EXPECT_EQ(vr::testing::ReadBytes(dir_ + "/cfg.ini"), before);
    EXPECT_EQ(INIRead(*extra_, "Admin", "level", "cfg.ini"), "");
    // Brackets, "=" and ";" where they cannot make another line are written as they are.
    EXPECT_NE(INIWrite(*extra_, "[User", "key]", "a=b;[c]", Variant("cfg.ini")), 0);
    EXPECT_EQ(INIRead(*extra_, "[User", "key]", "cfg.ini"), "a=b;[c]");
}

TEST_F(EngineClient, AfterUnloadPlayingDoesNothingAndStoppingFailsWithError9) {
    Korva2D_Start_OnlySound(*engine_, 0, dir_);
    CreateSound(*engine_, "fire1", "fire1.wav");
    CreateSound(*engine_, "fire2", "fire1.wav");
    Korva2D_Unload(*engine_);
    size_t lines = Log().size();
    for (int i = 0; i < 50; ++i) SoundPlay(*engine_, "fire2");  // the buffers are gone, the names stay
    Text key = "fire1";
    VBool pause = 0;
    EXPECT_EQ(static_cast<uint32_t>(engine_->SoundStop(key, pause)), 0x800A0009u);
    Text all;
    EXPECT_EQ(static_cast<uint32_t>(engine_->SoundStop(all, pause)), 0x800A0009u);
    key = "never registered";
    EXPECT_EQ(engine_->SoundStop(key, pause), vr::com::S_OK);
    EXPECT_EQ(Log().size(), lines);  // nothing reported
}

TEST_F(EngineClient, ErrorLinesAlsoGoToStandardErrorUnlessTurnedOff) {
    if (!VR_TEST_SEAMS) GTEST_SKIP() << "built without the engine's failure hooks (VR_TEST_SEAMS)";
    ASSERT_EQ(Korva2D_Start_OnlySound(*engine_, 0, dir_), -1);
    const std::string missing = "korva2d: File is missing : " + dir_ + "\\none.wav\n";
    auto errorsOf = [&](auto&& call) {
        ::testing::internal::CaptureStderr();
        call();
        return ::testing::internal::GetCapturedStderr();
    };
    EXPECT_EQ(errorsOf([&] { SaveLog(*extra_, "a line of the client's own"); }), "");
    EXPECT_EQ(errorsOf([&] { CreateSound(*engine_, "n1", "none.wav"); }), missing);
    EXPECT_EQ(Log().back(), "File is missing : " + dir_ + "\\none.wav") << "and in the log as before";
    setenv("KORVA2D_DX8_FAIL", "dsenum", 1);
    EXPECT_EQ(errorsOf([&] { Korva2D_Start_OnlySound(*engine_, 0, dir_); }),
              "korva2d: Error in Initilize_Soundcard() : DSERR_NODRIVER: no sound driver is available\n");
    unsetenv("KORVA2D_DX8_FAIL");

    EXPECT_TRUE(ErrorsToStandardError(*engine_));
    SetErrorsToStandardError(*engine_, false);
    EXPECT_EQ(errorsOf([&] { CreateSound(*engine_, "n2", "none.wav"); }), "");
    EXPECT_FALSE(ErrorsToStandardError(*Create<_Engine>(CLSID_Engine, IID__Engine))) << "for the whole process";
    SetErrorsToStandardError(*engine_, true);
    setenv("KORVA2D_LOG", "quiet", 1);
    EXPECT_FALSE(ErrorsToStandardError(*engine_));
    EXPECT_EQ(errorsOf([&] { CreateSound(*engine_, "n3", "none.wav"); }), "");
    unsetenv("KORVA2D_LOG");
    auto log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "File is missing : " + dir_ + "\\none.wav"), 3)
        << "every missing file logged, quiet or not";

    // A log that cannot be written: the line is still seen.
    std::filesystem::rename(dir_, dir_ + ".gone");
    VBool exists = 0;
    Text name = "none.wav";
    std::string seen = errorsOf([&] { EXPECT_EQ(uint32_t(extra_->FileExists(name, &exists)), 0x800A004Bu); });
    EXPECT_EQ(seen, missing);
    std::filesystem::rename(dir_ + ".gone", dir_);
}
