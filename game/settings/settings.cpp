#include "settings/settings.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/audio.h"
#include "platform/kernel.h"
#include "platform/profile.h"

namespace game {

namespace {

std::string Read(const std::string& path, const char* section, const char* key) {
    char value[64] = {};
    vr::GetPrivateProfileStringA(section, key, "", value, sizeof value, path.c_str());
    std::string text = value;
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool ParseWhole(const std::string& text, int low, int high, int& out) {
    if (text.empty() || text.size() > 3) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < low || v > high) return false;
    out = v;
    return true;
}

bool ParseYesNo(const std::string& text, bool& out) {
    if (text != "yes" && text != "no") return false;
    out = text == "yes";
    return true;
}

}  // namespace

std::string SettingsFilePath() {
    return vr::UserConfigFolder() + "/vortex-raiders/settings.ini";
}

bool ParseScale(const std::string& text, int& scale) {
    if (text == "auto") {
        scale = kScaleAuto;
        return true;
    }
    return ParseWhole(text, 1, kLargestScale, scale);
}

bool ParseVolume(const std::string& text, int& volume) { return ParseWhole(text, 0, 100, volume); }

bool ParsePadSpeed(const std::string& text, int& speed) { return ParseWhole(text, 100, 999, speed); }

float MasterLevel(const Settings& settings) { return settings.mute ? 0.0f : float(settings.volume) / 100.0f; }

void ApplyMasterVolume(const Settings& settings) { vr::audio::Device::Instance().SetMasterLevel(MasterLevel(settings)); }

Settings LoadSettings(const std::string& path) {
    Settings s;
    ParseScale(Read(path, "Display", "Scale"), s.scale);
    ParseYesNo(Read(path, "Display", "FullScreen"), s.fullScreen);
    ParseVolume(Read(path, "Sound", "Volume"), s.volume);
    ParseYesNo(Read(path, "Sound", "Mute"), s.mute);
    ParsePadSpeed(Read(path, "Gamepad", "Speed"), s.padSpeed);
    return s;
}

bool SaveSettings(const Settings& settings, const std::string& path) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::string scale = settings.scale == kScaleAuto ? "auto" : std::to_string(settings.scale);
    std::string volume = std::to_string(settings.volume);
    std::string padSpeed = std::to_string(settings.padSpeed);
    const char* file = path.c_str();
    // One replacement of the file: a program ended half-way leaves the old settings or the new ones.
    vr::ProfileWriteGroup group;
    bool written = vr::WritePrivateProfileStringA("Display", "Scale", scale.c_str(), file) &&
                   vr::WritePrivateProfileStringA("Display", "FullScreen", settings.fullScreen ? "yes" : "no", file) &&
                   vr::WritePrivateProfileStringA("Sound", "Volume", volume.c_str(), file) &&
                   vr::WritePrivateProfileStringA("Sound", "Mute", settings.mute ? "yes" : "no", file) &&
                   vr::WritePrivateProfileStringA("Gamepad", "Speed", padSpeed.c_str(), file);
    return group.Flush() && written;
}

}  // namespace game
