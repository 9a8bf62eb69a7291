// Handles of forms and boxes, shared by the window files of the platform.
#pragma once
#include <vector>

#include "platform/window.h"

struct SDL_Cursor;

namespace vr {
struct PictureBox::Pointer {
    SDL_Cursor* cursor = nullptr;
    ~Pointer();
};
}  // namespace vr

namespace vr::detail {

struct HandleTarget {
    Form* form = nullptr;
    PictureBox* box = nullptr;
};

HWND NewHandle(Form* form, PictureBox* box);
void DropHandle(HWND hwnd);
HandleTarget Lookup(HWND hwnd);
std::vector<Form*>& AllForms();
// The form that owns a native window id, or nullptr.
Form* FormOfWindowId(uint32_t id);
// The pointer's screen position as last warped or moved, for displays that
// cannot be asked where it is.
void NotePointer(int x, int y);

}  // namespace vr::detail
