// A form in full screen: a display mode of the device's size (exclusive), or
// the desktop as it is. A window manager carries out SDL's requests for full
// screen; on an X server that no window manager runs nobody does, so there
// the window covers the display itself, without a frame.
#include <SDL.h>

#include <algorithm>

#include "platform/form.h"
#include "window/display_session.h"
#include "window/native.h"

namespace vr {

namespace {
// The display's mode of exactly w x h, if it has one.
bool FindMode(int display, int w, int h, SDL_DisplayMode& mode) {
    for (int i = 0, n = SDL_GetNumDisplayModes(display); i < n; ++i) {
        if (SDL_GetDisplayMode(display, i, &mode) != 0) continue;
        // A display without a mode list (offscreen) reports one empty mode: its desktop mode.
        if (mode.w == 0 || mode.h == 0) SDL_GetDesktopDisplayMode(display, &mode);
        if (mode.w == w && mode.h == h) return true;
    }
    return false;
}
}  // namespace

bool Form::EnterFullScreen(int w, int h, std::string& why) {
    SDL_Window* window = native_->window;
    if (!window) {
        why = "the window is not shown";
        return false;
    }
    if (desktopFull_) LeaveFullScreen();
    int display = DisplayIndex();
    SDL_DisplayMode mode{};
    if (!FindMode(display, w, h, mode)) {
        why = "the display has no " + std::to_string(w) + " x " + std::to_string(h) + " mode";
        return false;
    }
    if (!exclusive_) {
        windowed_.clientW = clientWidth_;
        windowed_.clientH = clientHeight_;
        SDL_GetWindowPosition(window, &windowed_.x, &windowed_.y);
    }
    windowed_.fullW = w;
    windowed_.fullH = h;
    mode.refresh_rate = 0;
    if (SDL_SetWindowDisplayMode(window, &mode) != 0 || SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) {
        why = SDL_GetError();
        return false;
    }
    exclusive_ = true;
    // As the device window of an exclusive mode, the client area is the whole screen.
    Resize(w, h);
    SDL_Rect bounds;
    if (!detail::WindowManagerRunning() && SDL_GetDisplayBounds(display, &bounds) == 0)
        exclusiveByHand_ = detail::PlaceWindowByHand(window, bounds.x, bounds.y, w, h);
    PlacementChanged();
    return true;
}

bool Form::EnterDesktopFullScreen(std::string& why) {
    if (desktopFull_) return true;
    SDL_Window* window = native_->window;
    if (!window) {
        desktopFull_ = true;  // taken when the window is shown
        return true;
    }
    if (exclusive_) LeaveFullScreen();
    if (detail::WindowManagerRunning()) {
        if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            why = SDL_GetError();
            return false;
        }
    } else {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(DisplayIndex(), &bounds) != 0) {
            why = SDL_GetError();
            return false;
        }
        SDL_SetWindowBordered(window, SDL_FALSE);
        SDL_SetWindowPosition(window, bounds.x, bounds.y);
        SDL_SetWindowSize(window, bounds.w, bounds.h);
        desktopFullByHand_ = true;
    }
    desktopFull_ = true;
    PlacementChanged();
    return true;
}

void Form::LeaveFullScreen() {
    SDL_Window* window = native_->window;
    bool wasDesktop = desktopFull_, byHand = desktopFullByHand_;
    bool wasExclusive = exclusive_, exclusiveByHand = exclusiveByHand_;
    desktopFull_ = desktopFullByHand_ = exclusive_ = exclusiveByHand_ = false;
    if (window && byHand) SDL_SetWindowBordered(window, SDL_TRUE);
    else if (window && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN)) SDL_SetWindowFullscreen(window, 0);
    if (window && wasDesktop) {
        ApplyWindowSize();
        if (byHand) SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    if (wasExclusive) {
        // A client area sized meanwhile (by a second start, say) keeps its new size.
        if (clientWidth_ == windowed_.fullW && clientHeight_ == windowed_.fullH)
            Resize(windowed_.clientW, windowed_.clientH);
        else
            ApplyWindowSize();
        if (window && exclusiveByHand)
            detail::PlaceWindowByHand(window, windowed_.x, windowed_.y, Windowed().Scaled(clientWidth_),
                                      Windowed().Scaled(clientHeight_));
    }
    PlacementChanged();
}

}  // namespace vr
