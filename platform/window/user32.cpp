// The USER calls on windows and the pointer, in screen pixels.
//
// A form drawn n times larger keeps its client pixels on the screen as well:
// these calls see its client area at its place on the screen at its unscaled
// size (window/client_placement.h). So a program that works in client pixels
// (clipping the pointer to a box, reading the pointer over it) behaves as at scale 1.
#include <SDL.h>

#include <algorithm>

#include "platform/client_placement.h"
#include "platform/cursor.h"
#include "platform/form.h"
#include "platform/message_loop.h"
#include "platform/replay.h"
#include "platform/user_types.h"
#include "platform/window_rect.h"
#include "window/client_placement.h"
#include "window/display_session.h"
#include "window/native.h"
#include "window/window_registry.h"

namespace vr {

namespace {
bool g_clipped = false;
RECT g_clip;
int g_cursorCounter = 0;

struct Borders {
    int top = 0, left = 0, bottom = 0, right = 0;
};
Borders BordersOf(SDL_Window* w) {
    Borders b;
    if (w) SDL_GetWindowBordersSize(w, &b.top, &b.left, &b.bottom, &b.right);
    return b;
}

// Screen position of a form's client area.
POINT ClientOrigin(const Form& f) {
    ClientPlacement at = detail::ScreenPlacement(f);
    return POINT{at.x, at.y};
}

// The clip rectangle in a form's window pixels, from its place relative to the client area.
SDL_Rect ClipInWindow(const Form& f) {
    POINT o = ClientOrigin(f);
    RECT r = f.Placement().ToWindow(RECT{g_clip.left - o.x, g_clip.top - o.y, g_clip.right - o.x, g_clip.bottom - o.y});
    return SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void ApplyClip() {
    for (Form* f : detail::AllForms()) {
        SDL_Window* w = NativeWindow(*f);
        if (!w) continue;
        if (!g_clipped) {
            SDL_SetWindowMouseRect(w, nullptr);
            continue;
        }
        SDL_Rect r = ClipInWindow(*f);
        SDL_SetWindowMouseRect(w, &r);
    }
}
}  // namespace

void detail::ReapplyPointerClip() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) ApplyClip();
}

// The X server's pointer barriers, which confine the pointer for SDL, leak
// where two of them meet: a push along one edge into a corner slides out.
// A pointer found outside the clip of the focused form goes back in.
void detail::HoldPointerInClip(const Form& form, bool leaving, int windowX, int windowY) {
    if (!g_clipped || !NativeWindow(form) || SDL_GetKeyboardFocus() != NativeWindow(form)) return;
    SDL_Rect r = ClipInWindow(form);
    if (r.w <= 0 || r.h <= 0) return;
    // Motion is reported clamped to the clip, so only a position on its edge may hide an escape.
    bool onEdge = windowX <= r.x || windowY <= r.y || windowX >= r.x + r.w - 1 || windowY >= r.y + r.h - 1;
    if (!leaving && !onEdge) return;
    int x = 0, y = 0;
    if (!detail::QueryPointer(x, y)) return;
    POINT o = detail::WindowOrigin(form);
    int cx = std::clamp(x, o.x + r.x, o.x + r.x + r.w - 1), cy = std::clamp(y, o.y + r.y, o.y + r.y + r.h - 1);
    if (cx != x || cy != y) detail::WarpPointer(cx, cy);
}

bool ClipCursor(const RECT* rect) {
    // A played-back run leaves the viewer's pointer alone.
    if (replay::Playing()) return true;
    g_clipped = rect != nullptr;
    if (rect) g_clip = *rect;
    if (SDL_WasInit(SDL_INIT_VIDEO)) ApplyClip();
    return true;
}

bool GetClipCursor(RECT* rect) {
    if (!rect) return false;
    if (g_clipped) {
        *rect = g_clip;
    } else {
        *rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return g_clipped;
}

bool GetClientRect(HWND hwnd, RECT* rect) {
    auto t = detail::Lookup(hwnd);
    if (!t.form || !rect) return false;
    if (t.box) *rect = RECT{0, 0, t.box->ScaleWidth(), t.box->ScaleHeight()};
    else *rect = RECT{0, 0, t.form->ClientWidth(), t.form->ClientHeight()};
    return true;
}

bool ClientToScreen(HWND hwnd, POINT* point) {
    auto t = detail::Lookup(hwnd);
    if (!t.form || !point) return false;
    POINT o = ClientOrigin(*t.form);
    point->x += o.x;
    point->y += o.y;
    if (t.box) {
        int inset = t.box->HasBorder() ? 1 : 0;
        point->x += t.box->Left() + inset;
        point->y += t.box->Top() + inset;
    }
    return true;
}

bool OffsetRect(RECT* rect, int dx, int dy) {
    if (!rect) return false;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return true;
}

bool GetWindowRect(HWND hwnd, RECT* rect) {
    auto t = detail::Lookup(hwnd);
    if (!t.form || !rect) return false;
    POINT o = ClientOrigin(*t.form);
    if (t.box) {
        *rect = RECT{o.x + t.box->Left(), o.y + t.box->Top(), o.x + t.box->Left() + t.box->Width(),
                     o.y + t.box->Top() + t.box->Height()};
        return true;
    }
    Borders b = BordersOf(NativeWindow(*t.form));
    *rect = RECT{o.x - b.left, o.y - b.top, o.x + t.form->ClientWidth() + b.right,
                 o.y + t.form->ClientHeight() + b.bottom};
    return true;
}

bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, uint32_t flags) {
    auto t = detail::Lookup(hwnd);
    if (!t.form) return false;
    if (t.box) {
        int nx = (flags & SWP_NOMOVE) ? t.box->Left() : x, ny = (flags & SWP_NOMOVE) ? t.box->Top() : y;
        int nw = (flags & SWP_NOSIZE) ? t.box->Width() : cx, nh = (flags & SWP_NOSIZE) ? t.box->Height() : cy;
        t.box->Move(nx, ny, nw, nh);
        if (flags & SWP_SHOWWINDOW) t.box->SetVisible(true);
        return true;
    }
    Form& f = *t.form;
    if ((flags & SWP_SHOWWINDOW) && !f.Shown()) f.Show();
    SDL_Window* w = NativeWindow(f);
    if (!w) return false;
    Borders b = BordersOf(w);
    if (!(flags & SWP_NOSIZE)) {
        int cw = cx - b.left - b.right, ch = cy - b.top - b.bottom;
        f.Resize(cw, ch);
    }
    if (!(flags & SWP_NOMOVE)) SDL_SetWindowPosition(w, x + b.left, y + b.top);
    if (insertAfter == HWND_TOPMOST) SDL_SetWindowAlwaysOnTop(w, SDL_TRUE);
    if (flags & SWP_SHOWWINDOW) SDL_ShowWindow(w);
    f.Invalidate();
    return true;
}

int ShowCursor(bool show) {
    g_cursorCounter += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(g_cursorCounter >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return g_cursorCounter;
}

// The position comes from the display server: SDL's global position is a
// cached copy that pointer warps (ours or another program's) leave stale.
namespace {
// Where the pointer is on a display that cannot be asked (offscreen, dummy):
// the last warp, or the last motion the message pump delivered.
bool g_pointerKnown = false;
POINT g_pointer;
}  // namespace

void detail::NotePointer(int x, int y) {
    g_pointerKnown = true;
    g_pointer = POINT{x, y};
}

bool GetCursorPos(POINT* point) {
    if (!point) return false;
    EnsureVideo();
    if (!detail::QueryPointer(point->x, point->y)) {
        if (g_pointerKnown) *point = g_pointer;
        else SDL_GetGlobalMouseState(&point->x, &point->y);
    }
    *point = detail::SeenFromScreen(*point);
    return true;
}

// As on Windows, a point outside the ClipCursor rectangle moves the
// pointer to the nearest point inside it.
bool SetCursorPos(int x, int y) {
    EnsureVideo();
    if (g_clipped) {
        x = std::clamp(x, g_clip.left, std::max(g_clip.left, g_clip.right - 1));
        y = std::clamp(y, g_clip.top, std::max(g_clip.top, g_clip.bottom - 1));
    }
    POINT p = detail::ScreenFromSeen(POINT{x, y});
    if (detail::WarpPointer(p.x, p.y)) return true;
    detail::NotePointer(p.x, p.y);
    SDL_WarpMouseGlobal(p.x, p.y);
    return true;
}

int GetSystemMetrics(int index) {
    EnsureVideo();
    SDL_Rect r{0, 0, 0, 0};
    if (SDL_GetDisplayBounds(0, &r) != 0) return 0;
    return index == SM_CXSCREEN ? r.w : index == SM_CYSCREEN ? r.h : 0;
}

}  // namespace vr
