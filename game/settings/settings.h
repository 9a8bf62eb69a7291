// The player's choices of picture and sound: the window's scale, full screen
// and the master volume. They are remembered between runs in a small settings
// file in the user's configuration folder; options on the command line win.
#pragma once
#include <string>

namespace game {

inline constexpr int kScaleAuto = 0;     // the largest scale whose window fits the desktop
inline constexpr int kLargestScale = 6;

struct Settings {
    int scale = 1;            // 1 to kLargestScale, or kScaleAuto
    bool fullScreen = false;  // the desktop's full screen, at the largest scale that fits
    int volume = 100;         // the master level in percent of full amplitude (50 is 6 dB lower)
    bool mute = false;        // silent, whatever the volume
    int padSpeed = 600;       // a game controller's pointer speed at full tilt, client pixels a second
};

// The settings file: $XDG_CONFIG_HOME/vortex-raiders/settings.ini (default ~/.config/...).
std::string SettingsFilePath();
// Reads the file; a missing file, key or unusable value keeps the default.
Settings LoadSettings(const std::string& path);
// Writes every setting in one replacement of the file, creating the folder;
// false when the file cannot be written.
bool SaveSettings(const Settings& settings, const std::string& path);

// "1" to "6" or "auto"; false for anything else.
bool ParseScale(const std::string& text, int& scale);
// A whole number from 0 to 100; false for anything else.
bool ParseVolume(const std::string& text, int& volume);
// A controller's pointer speed: a whole number from 100 to 999; false for anything else.
bool ParsePadSpeed(const std::string& text, int& speed);
// The master level the mixer takes: 0 when muted, else the volume as a fraction.
float MasterLevel(const Settings& settings);
// Sets the master volume of everything the game plays (the engine's sounds and
// music pass under it); called once, before the engine starts.
void ApplyMasterVolume(const Settings& settings);

}  // namespace game
