// The small types that windows and the USER calls share: window handles,
// rectangles and points, mouse buttons and shift states, and the handlers
// that mouse and key events are delivered to.
#pragma once
#include <cstdint>
#include <functional>

namespace vr {

using HWND = int32_t;
struct RECT {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct POINT {
    int32_t x = 0, y = 0;
};

// Mouse buttons (1 left, 2 right, 4 middle) and shift states (1 shift, 2 ctrl, 4 alt).
enum MouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };
enum ShiftState : int { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };

// Mouse handlers get the button, the shift state and the position in the
// receiving control's pixels (as fractions).
using MouseHandler = std::function<void(int button, int shift, float x, float y)>;
using KeyHandler = std::function<void(int keyCode, int shift)>;

}  // namespace vr
