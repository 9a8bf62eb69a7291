// Reading the screen: the X server's root window where the display is X11,
// otherwise the shown forms composed at their places from what they last
// presented (offscreen, Wayland and other displays that cannot be read).
#include <SDL.h>

#if VR_HAVE_X11
#define SDL_VIDEO_DRIVER_X11 1  // Debian's SDL headers leave the X11 part of SDL_syswm.h out otherwise
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif
#include <SDL_syswm.h>

#include <cstring>

#include "platform/client_placement.h"
#include "platform/form.h"
#include "platform/screen_capture.h"
#include "window/client_placement.h"
#include "window/native.h"
#include "window/window_registry.h"

namespace vr {

namespace {

#if VR_HAVE_X11
// The X display of SDL's connection, when a shown form sits on X11.
Display* X11DisplayOfForms() {
    for (Form* f : detail::AllForms()) {
        SDL_Window* w = NativeWindow(*f);
        if (!w) continue;
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(w, &info) && info.subsystem == SDL_SYSWM_X11) return info.info.x11.display;
        return nullptr;
    }
    return nullptr;
}

int MaskShift(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

bool ReadX11Screen(Display* d, Surface& out, std::string& why) {
    XSync(d, False);
    Window root = DefaultRootWindow(d);
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(d, root, &attrs)) {
        why = "the X screen cannot be read";
        return false;
    }
    XImage* img = XGetImage(d, root, 0, 0, unsigned(attrs.width), unsigned(attrs.height), AllPlanes, ZPixmap);
    if (!img) {
        why = "the X screen cannot be read";
        return false;
    }
    out.Reset(attrs.width, attrs.height);
    int rs = MaskShift(img->red_mask), gs = MaskShift(img->green_mask), bs = MaskShift(img->blue_mask);
    bool direct = img->bits_per_pixel == 32 && img->red_mask == 0xFF0000 && img->green_mask == 0xFF00 &&
                  img->blue_mask == 0xFF && img->byte_order == LSBFirst;
    for (int y = 0; y < attrs.height; ++y) {
        uint32_t* row = &out.pixels[size_t(y) * out.width];
        if (direct) {
            std::memcpy(row, img->data + size_t(y) * img->bytes_per_line, size_t(attrs.width) * 4);
            for (int x = 0; x < attrs.width; ++x) row[x] &= 0xFFFFFF;
            continue;
        }
        for (int x = 0; x < attrs.width; ++x) {
            unsigned long p = XGetPixel(img, x, y);
            auto part = [&](unsigned long mask, int shift) {
                unsigned long max = mask >> shift;
                return max ? int(((p & mask) >> shift) * 255 / max) : 0;
            };
            row[x] = PixelRGB(part(img->red_mask, rs), part(img->green_mask, gs), part(img->blue_mask, bs));
        }
    }
    XDestroyImage(img);
    return true;
}
#endif

bool ComposeShownForms(Surface& out, std::string& why) {
    SDL_Rect bounds{0, 0, 0, 0};
    if (SDL_GetDisplayBounds(0, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0) {
        why = std::string("the display's size is unknown: ") + SDL_GetError();
        return false;
    }
    out.Reset(bounds.w, bounds.h, 0);
    for (Form* f : detail::AllForms()) {
        if (!NativeWindow(*f)) continue;
        Surface shown;
        if (!f->ReadPresented(shown)) continue;
        // An enlarged client area shows each of its pixels as a block.
        ClientPlacement at = detail::ScreenPlacement(*f);
        Surface big = detail::Enlarged(shown, at.scale);
        BitBlt(out, at.x - bounds.x, at.y - bounds.y, big.width, big.height, big, 0, 0, SRCCOPY);
    }
    return true;
}

}  // namespace

bool CaptureScreen(Surface& out, std::string& why) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        why = "no display is open";
        return false;
    }
#if VR_HAVE_X11
    if (Display* d = X11DisplayOfForms()) return ReadX11Screen(d, out, why);
#endif
    return ComposeShownForms(out, why);
}

}  // namespace vr
