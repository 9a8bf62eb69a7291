// What a window handle names: a form or one of its picture boxes.
#pragma once
#include "platform/user_types.h"

namespace vr {

class Form;
class PictureBox;

// The form and box a window handle names (both null for an unknown handle;
// box null for a form).
struct WindowOfHandle {
    Form* form = nullptr;
    PictureBox* box = nullptr;
};
WindowOfHandle LookupWindow(HWND hwnd);

}  // namespace vr
