// Where a form's client area lies in its window at a whole-number scale, and
// the largest scale that fits an area.
#pragma once
#include "platform/user_types.h"

namespace vr {

// Where a form's client area lies in its window's pixels and how large it is
// drawn: client pixel (cx, cy) covers the scale x scale window pixels from
// (x + scale * cx, y + scale * cy). Every conversion between client and window
// pixels goes through it.
struct ClientPlacement {
    int x = 0, y = 0, scale = 1;
    // A length of client pixels in window pixels.
    int Scaled(int length) const { return length * scale; }
    // The top-left window pixel of a client pixel.
    POINT ToWindow(POINT client) const { return POINT{x + client.x * scale, y + client.y * scale}; }
    // The middle window pixel of a client pixel (where a pointer put on it lands).
    POINT ToWindowMiddle(POINT client) const;
    // The window pixels of a client rectangle.
    RECT ToWindow(const RECT& client) const;
    // The client pixel a window pixel shows (rounded down, also left of and above the client area).
    POINT ToClient(POINT window) const;
};

// The largest whole factor (1 to kMaxScale, at least 1) at which a client area
// of w x h with a frame of frameW x frameH fits into an area of areaW x areaH.
inline constexpr int kMaxScale = 8;
int LargestFittingScale(int w, int h, int frameW, int frameH, int areaW, int areaH);
// A client area of w x h at the largest whole factor (up to `largest`) that
// fits an area of areaW x areaH, centred in it.
ClientPlacement CentredPlacement(int w, int h, int areaW, int areaH, int largest = kMaxScale);

}  // namespace vr
