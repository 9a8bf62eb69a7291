// A virtual game controller played from a script, for end-to-end checks: it is
// plugged in, tilted and pressed at given frames, and says what the game saw.
#pragma once
#include <string>

namespace game {

// Reads the script (one step a line: "FRAME COMMAND [ARGUMENT...]", "#" starts
// a comment) and installs it as the frame loop's hook; false with the reason
// when a line cannot be read. Commands: plug, unplug; tilt x|y VALUE (-32768
// to 32767); press NAME, release NAME (a, b, start, back, up, down, left,
// right); report (a line on standard error: "pad: frame F playing P pointer
// X,Y fired N paused P"); shot FILE (the window as a PNG file).
bool StartPadScript(const std::string& path, std::string& why);

}  // namespace game
