// Where forms' client areas lie on the screen at their scale, and what the
// USER calls see of them: the screen side of the scale arithmetic, beside
// ClientPlacement's client and window side (platform/client_placement.h).
#pragma once
#include "platform/client_placement.h"
#include "platform/gdi.h"
#include "platform/user_types.h"

namespace vr {
class Form;
}  // namespace vr

namespace vr::detail {

// The screen pixel of a form's window pixel (0, 0) (0, 0 while it is not shown).
POINT WindowOrigin(const Form& form);
// The form's client area on the screen: its top-left screen pixel and its scale.
ClientPlacement ScreenPlacement(const Form& form);
// The point the USER calls see for a point of the screen: inside an enlarged
// client area, the screen point of its client pixel at scale 1.
POINT SeenFromScreen(POINT screen);
// The screen point of a point the calls see: inside a client area at scale 1,
// the middle of its client pixel enlarged.
POINT ScreenFromSeen(POINT seen);
// A surface n times larger, each pixel a block of n x n.
Surface Enlarged(const Surface& surface, int n);

}  // namespace vr::detail
