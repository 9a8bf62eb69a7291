#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "interrupted_save.h"
#include "settings/settings.h"
#include "test_files.h"

using namespace game;

TEST(Settings, OptionValuesAreCheckedStrictly) {
    struct Case {
        const char* text;
        bool scaleOk;
        int scale;
        bool volumeOk;
        int volume;
    } cases[] = {
        {"1", true, 1, true, 1},       {"6", true, 6, true, 6},     {"auto", true, kScaleAuto, false, 0},
        {"7", false, 0, true, 7},      {"0", false, 0, true, 0},    {"100", false, 0, true, 100},
        {"101", false, 0, false, 0},   {"-1", false, 0, false, 0},  {"", false, 0, false, 0},
        {"2x", false, 0, false, 0},    {" 3", false, 0, false, 0},  {"0050", false, 0, false, 0},
    };
    for (const Case& c : cases) {
        int scale = -5, volume = -5;
        EXPECT_EQ(ParseScale(c.text, scale), c.scaleOk) << c.text;
        EXPECT_EQ(scale, c.scaleOk ? c.scale : -5) << c.text;  // untouched when refused
        EXPECT_EQ(ParseVolume(c.text, volume), c.volumeOk) << c.text;
        EXPECT_EQ(volume, c.volumeOk ? c.volume : -5) << c.text;
    }
    for (auto [text, ok] : {std::pair{"100", true}, {"999", true}, {"600", true}, {"99", false}, {"1000", false},
                            {"fast", false}}) {
        int speed = -5;
        EXPECT_EQ(ParsePadSpeed(text, speed), ok) << text;
        EXPECT_EQ(speed, ok ? std::atoi(text) : -5) << text;
    }
}

TEST(Settings, AreRememberedInTheUserConfigurationFolder) {
    std::string home = vr::testing::FreshFolder("settings-config");
    std::string before = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    std::string path = SettingsFilePath();
    setenv("XDG_CONFIG_HOME", before.c_str(), 1);
    EXPECT_EQ(path, home + "/vortex-raiders/settings.ini");
    Settings none = LoadSettings(path);  // no file yet: the defaults
    EXPECT_EQ(none.scale, 1);
    EXPECT_EQ(none.padSpeed, 600);
    EXPECT_FALSE(none.fullScreen);
    EXPECT_EQ(MasterLevel(none), 1.0f);
    Settings chosen{kScaleAuto, true, 50, false, 250};
    ASSERT_TRUE(SaveSettings(chosen, path));
    Settings back = LoadSettings(path);
    EXPECT_EQ(back.padSpeed, 250);
    EXPECT_EQ(back.scale, kScaleAuto);
    EXPECT_TRUE(back.fullScreen);
    EXPECT_EQ(back.volume, 50);
    EXPECT_EQ(MasterLevel(back), 0.5f);
    back.mute = true;
    ASSERT_TRUE(SaveSettings(back, path));
    EXPECT_EQ(MasterLevel(LoadSettings(path)), 0.0f);
}

TEST(Settings, AHandEditedOrDamagedFileKeepsTheDefaultsForWhatItGetsWrong) {
    std::string path = vr::testing::FreshFolder("settings-damaged") + "/settings.ini";
    std::ofstream(path) << "[display]\nscale = AUTO\nFullScreen=maybe\n[Sound]\nVolume=250\nMute=YES\n";
    Settings s = LoadSettings(path);
    EXPECT_EQ(s.scale, kScaleAuto);
    EXPECT_FALSE(s.fullScreen);
    EXPECT_EQ(s.volume, 100);
    EXPECT_TRUE(s.mute);
}

TEST(Settings, AProgramKilledWhileSavingLeavesTheOldSettingsOrTheNewOnes) {
    const std::string path = vr::testing::FreshFolder("settings-killed") + "/settings.ini";
    const Settings both[] = {{2, true, 30, true}, {kScaleAuto, false, 80, false}};
    auto holds = [&] {
        Settings s = LoadSettings(path);
        for (int k : {0, 1}) {
            if (s.scale == both[k].scale && s.fullScreen == both[k].fullScreen && s.volume == both[k].volume &&
                s.mute == both[k].mute)
                return k;
        }
        return -1;
    };
    game::testing::ExpectWholeAfterKills([&](int k) { SaveSettings(both[k], path); }, holds);
}
