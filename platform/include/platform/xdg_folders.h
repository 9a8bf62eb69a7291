// The user's data and configuration folders as the XDG base directory rules
// give them: $XDG_DATA_HOME / $XDG_CONFIG_HOME when set to an absolute path,
// otherwise ~/.local/share / ~/.config ($HOME, or /tmp without one). Header
// only, so programs that do not link the platform (the score server) keep
// the same rules.
#pragma once
#include <cstdlib>
#include <string>

namespace vr::xdg {

// The folder an XDG variable names, or `belowHome` under the home folder.
inline std::string Folder(const char* variable, const char* belowHome) {
    const char* set = std::getenv(variable);
    if (set && *set == '/') return set;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + belowHome;
}

inline std::string DataHome() { return Folder("XDG_DATA_HOME", "/.local/share"); }
inline std::string ConfigHome() { return Folder("XDG_CONFIG_HOME", "/.config"); }

}  // namespace vr::xdg
