// The automated pilot: plays runs by putting mouse events into the window's
// queue, for end-to-end checks under a virtual display.
#pragma once
#include <string>

namespace game {

struct PilotOptions {
    std::string shotsFolder;  // where the pilot saves its screenshots ("" = none)
    int runs = 1;             // runs to play before pressing Escape
    int startFrame = 15;      // the menu frame at which the pilot starts its first run (a click may start it earlier)
};

// A whole number from low to high (a pilot option's value); false for anything else.
bool ParsePilotCount(const std::string& text, int low, int high, int& out);
// Installs the pilot as the frame loop's hook.
void StartPilot(const PilotOptions& options);

}  // namespace game
