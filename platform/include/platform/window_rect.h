// The USER calls on windows' rectangles and the screen's size: client and
// window rectangles, placing a window, and the screen's metrics.
#pragma once
#include <cstdint>

#include "platform/user_types.h"

namespace vr {

bool GetClientRect(HWND hwnd, RECT* rect);
bool ClientToScreen(HWND hwnd, POINT* point);
bool OffsetRect(RECT* rect, int dx, int dy);
bool GetWindowRect(HWND hwnd, RECT* rect);
inline constexpr HWND HWND_TOPMOST = -1;
inline constexpr uint32_t SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_SHOWWINDOW = 0x0040;
bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, uint32_t flags);
inline constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1;
int GetSystemMetrics(int index);

}  // namespace vr
