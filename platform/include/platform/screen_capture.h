// Reading back what the screen shows.
#pragma once
#include <string>

#include "platform/gdi.h"

namespace vr {

// Reads the whole primary screen (0x00RRGGBB): the display server's screen
// where it can be read (X11), otherwise the shown forms as last presented at
// their places on black. False with the reason when neither works.
bool CaptureScreen(Surface& out, std::string& why);

}  // namespace vr
