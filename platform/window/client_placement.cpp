// The scale arithmetic of forms: client pixels, window pixels and screen
// pixels, for a client area drawn n times larger. A form drawn n times larger
// keeps its client pixels on the screen as well: the USER calls see its
// client area at its place on the screen at its unscaled size.
#include "window/client_placement.h"

#include <SDL.h>

#include <algorithm>

#include "platform/client_placement.h"
#include "platform/form.h"
#include "platform/user_types.h"
#include "window/native.h"
#include "window/window_registry.h"

namespace vr {

POINT ClientPlacement::ToWindowMiddle(POINT client) const {
    POINT p = ToWindow(client);
    return POINT{p.x + scale / 2, p.y + scale / 2};
}

RECT ClientPlacement::ToWindow(const RECT& client) const {
    return RECT{x + client.left * scale, y + client.top * scale, x + client.right * scale, y + client.bottom * scale};
}

POINT ClientPlacement::ToClient(POINT window) const {
    auto down = [&](int v) { return v >= 0 ? v / scale : -((-v + scale - 1) / scale); };
    return POINT{down(window.x - x), down(window.y - y)};
}

int LargestFittingScale(int w, int h, int frameW, int frameH, int areaW, int areaH) {
    if (w <= 0 || h <= 0) return 1;
    return std::clamp(std::min((areaW - frameW) / w, (areaH - frameH) / h), 1, kMaxScale);
}

ClientPlacement CentredPlacement(int w, int h, int areaW, int areaH, int largest) {
    int n = std::min(LargestFittingScale(w, h, 0, 0, areaW, areaH), std::max(1, largest));
    return ClientPlacement{(areaW - n * w) / 2, (areaH - n * h) / 2, n};
}

namespace detail {

POINT WindowOrigin(const Form& form) {
    POINT p;
    if (SDL_Window* w = NativeWindow(form)) SDL_GetWindowPosition(w, &p.x, &p.y);
    return p;
}

ClientPlacement ScreenPlacement(const Form& form) {
    POINT o = WindowOrigin(form);
    ClientPlacement at = form.Placement();
    return ClientPlacement{o.x + at.x, o.y + at.y, at.scale};
}

namespace {
// The enlarged client area a point lies in, with its placement on the screen;
// `seen` looks for it at the unscaled size the calls see.
bool EnlargedAreaAt(POINT p, bool seen, ClientPlacement& at) {
    for (Form* f : AllForms()) {
        if (!NativeWindow(*f) || f->Placement().scale == 1) continue;
        at = ScreenPlacement(*f);
        int n = seen ? 1 : at.scale;
        if (p.x >= at.x && p.y >= at.y && p.x < at.x + f->ClientWidth() * n && p.y < at.y + f->ClientHeight() * n)
            return true;
    }
    return false;
}
}  // namespace

POINT SeenFromScreen(POINT screen) {
    ClientPlacement at;
    if (!EnlargedAreaAt(screen, false, at)) return screen;
    POINT c = at.ToClient(screen);
    return POINT{at.x + c.x, at.y + c.y};
}

POINT ScreenFromSeen(POINT seen) {
    ClientPlacement at;
    if (!EnlargedAreaAt(seen, true, at)) return seen;
    return at.ToWindowMiddle(POINT{seen.x - at.x, seen.y - at.y});
}

Surface Enlarged(const Surface& surface, int n) {
    Surface out(surface.width * n, surface.height * n);
    const ClientPlacement blocks{0, 0, n};
    for (int j = 0; j < out.height; ++j)
        for (int i = 0; i < out.width; ++i) {
            POINT s = blocks.ToClient(POINT{i, j});
            out.At(i, j) = surface.At(s.x, s.y);
        }
    return out;
}

}  // namespace detail
}  // namespace vr
