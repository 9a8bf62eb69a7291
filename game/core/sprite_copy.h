// The two drawing conventions of the game: the masked sprite copy (mask with
// SRCAND, then picture with SRCPAINT) and the opaque copy, into Field's image.
#pragma once
#include "platform/picture_box.h"
#include "window/form1.h"

namespace game {

// Draws frame column `column` (w x h) of a sprite box at (x, y); the mask
// lies in the row below the picture, at height h.
inline void DrawMasked(const vr::PictureBox& box, int w, int h, int column, int x, int y) {
    vr::Surface& dst = Field().Image();
    vr::BitBlt(dst, x, y, w, h, box.Image(), column, h, vr::SRCAND);
    vr::BitBlt(dst, x, y, w, h, box.Image(), column, 0, vr::SRCPAINT);
}

inline void DrawOpaque(const vr::PictureBox& box, int w, int h, int x, int y) {
    vr::BitBlt(Field().Image(), x, y, w, h, box.Image(), 0, 0, vr::SRCCOPY);
}

}  // namespace game
