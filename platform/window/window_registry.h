// Handles of forms and boxes, shared by the window files of the platform.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/gdi.h"
#include "platform/picture_box.h"
#include "platform/user_types.h"

struct SDL_Cursor;

namespace vr {
class Form;

// A box's pointer image and the cursors made of it, one for each scale its form was drawn at.
struct PictureBox::Pointer {
    Surface image, mask;
    int hotX = 0, hotY = 0;
    std::vector<std::pair<int, SDL_Cursor*>> cursors;
    // The cursor for a form drawn `scale` times larger (made on first use); null when none can be made.
    SDL_Cursor* CursorAt(int scale);
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
// Applies the ClipCursor rectangle again after a form moved, was resized or changed scale.
void ReapplyPointerClip();
// Puts the pointer back inside the ClipCursor rectangle if it got out of the focused form's
// clip; called for motion (at window pixels x, y) and when the pointer leaves the window.
void HoldPointerInClip(const Form& form, bool leaving, int windowX, int windowY);

}  // namespace vr::detail
