// The USER calls on the pointer: its clip rectangle, whether it shows, and
// where it is, in screen pixels.
#pragma once
#include "platform/user_types.h"

namespace vr {

bool ClipCursor(const RECT* rect);
bool GetClipCursor(RECT* rect);
// Moves the display counter by one; the pointer shows while it is 0 or more.
int ShowCursor(bool show);
bool GetCursorPos(POINT* point);
bool SetCursorPos(int x, int y);

}  // namespace vr
