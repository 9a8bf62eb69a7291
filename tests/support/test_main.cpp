// The main of every test program: headless drivers unless the caller chose
// others, and per-user folders redirected below the test folder so that no
// test touches the real home directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::string base = (std::filesystem::current_path() / "xdg").string();
    setenv("XDG_DATA_HOME", (base + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
    unsetenv("VR_DIALOG_SCRIPT");
    unsetenv("VR_COM_REGISTRY");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
