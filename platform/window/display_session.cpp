#include "window/display_session.h"

#include <SDL.h>
#define SDL_VIDEO_DRIVER_X11 1  // Debian's SDL headers leave the X11 part of SDL_syswm.h out otherwise
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/runtime_error.h"

namespace vr::detail {

namespace {

// The platform's own connection to the X server: the pointer's real position
// (SDL keeps a cached copy that warps do not update) and a liveness check
// that does not depend on how SDL waits for events.
Display* g_x11 = nullptr;

bool IsVirtualDriver(const std::string& d) { return d == "offscreen" || d == "dummy"; }

bool VideoOnX11() {
    const char* d = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
    return d && std::strcmp(d, "x11") == 0;
}

// Xlib calls this when a connection to the X server breaks. Whatever the
// program was doing (a frame, the limiter's wait, a modal dialogue), it cannot
// go on without its windows: one line, and the process ends at once, without
// exit handlers that would talk to the dead server again.
int OnDisplayLost(Display* display) {
    const char* name = display ? DisplayString(display) : std::getenv("DISPLAY");
    std::fflush(stdout);
    std::fprintf(stderr, "%s: the display %s has gone away (its X server closed the connection); ending.\n",
                 program_invocation_short_name, name ? name : "");
    std::fflush(stderr);
    ::_exit(1);
}

bool OpenX11Connection() {
    if (g_x11) return true;
    XSetIOErrorHandler(OnDisplayLost);
    g_x11 = XOpenDisplay(nullptr);
    return g_x11 != nullptr;
}

std::string GiveUpReason(const VideoChoice& choice, int tries, int waitedMs, const std::string& sdlError) {
    if (choice.displayName.empty())
        return "no display is available: DISPLAY is not set (run it on a desktop or under xvfb-run; "
               "SDL_VIDEODRIVER=offscreen runs it without a screen)";
    char text[512];
    if (tries > 1)
        std::snprintf(text, sizeof text,
                      "the display \"%s\" did not accept a connection in %d tries over %.1f s (%s); "
                      "is its server running, and open to this user?",
                      choice.displayName.c_str(), tries, waitedMs / 1000.0, sdlError.c_str());
    else
        std::snprintf(text, sizeof text, "the display \"%s\" cannot be used (%s)", choice.displayName.c_str(),
                      sdlError.c_str());
    return text;
}

}  // namespace

VideoChoice ChooseVideo(const char* sdlVideoDriver, const char* display, const char* waylandDisplay) {
    VideoChoice c;
    if (sdlVideoDriver && *sdlVideoDriver) {
        bool x11 = std::strcmp(sdlVideoDriver, "x11") == 0 && display && *display;
        c.displayName = x11 ? display : sdlVideoDriver;
        c.retry = !IsVirtualDriver(sdlVideoDriver);
        c.virtualAllowed = true;
    } else if (display && *display) {
        // Named, so that a server that is briefly full is retried instead of
        // SDL falling back to an invisible offscreen window.
        c.driver = "x11";
        c.displayName = display;
        c.retry = true;
    } else if (waylandDisplay && *waylandDisplay) {
        c.driver = "wayland";
        c.displayName = waylandDisplay;
        c.retry = true;
    }
    return c;
}

const std::vector<int>& RetryDelaysMs() {
    static const std::vector<int> delays{50, 100, 150, 200, 250, 300};
    return delays;
}

int TryWithWaits(const std::function<bool()>& attempt, const std::function<void(int)>& wait,
                 const std::vector<int>& delaysMs) {
    int tries = 1;
    for (size_t i = 0; !attempt(); ++i, ++tries) {
        if (i == delaysMs.size()) break;
        wait(delaysMs[i]);
    }
    return tries;
}

void StartVideo() {
    // Before SDL's video, so that SDL's own handler passes errors on to this one;
    // after it, in place of SDL's (which would also give up the display's mode).
    KeepProtocolErrorsNonFatal();
    VideoChoice choice = ChooseVideo(std::getenv("SDL_VIDEODRIVER"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
    if (!choice.driver.empty()) SDL_SetHint(SDL_HINT_VIDEODRIVER, choice.driver.c_str());
    std::string sdlError;
    auto attempt = [&] {
        if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            sdlError = SDL_GetError();
            return false;
        }
        if (!VideoOnX11()) return true;
        sdlError = "the platform's pointer connection was refused";
        return OpenX11Connection();
    };
    int waited = 0;
    auto wait = [&](int ms) {
        waited += ms;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    };
    static const std::vector<int> once;
    int tries = TryWithWaits(attempt, wait, choice.retry ? RetryDelaysMs() : once);
    // SDL's video without the platform's connection still shows the windows;
    // the pointer then falls back to SDL's answers.
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        throw RuntimeError(kErrInvalidCall, "Cannot start the display: " + GiveUpReason(choice, tries, waited, sdlError));
    if (!choice.virtualAllowed && IsVirtualDriver(SDL_GetCurrentVideoDriver())) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw RuntimeError(kErrInvalidCall, "Cannot start the display: " + GiveUpReason(VideoChoice{}, 1, 0, ""));
    }
    KeepProtocolErrorsNonFatal();
}

void CheckDisplay() {
    KeepProtocolErrorsNonFatal();
    if (!g_x11) return;
    pollfd p{ConnectionNumber(g_x11), POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return;
    // Nothing is asked of this connection between calls, so input here is
    // either stray events or the end of the connection, which XPending turns
    // into OnDisplayLost.
    while (XPending(g_x11) > 0) {
        XEvent e;
        XNextEvent(g_x11, &e);
    }
}

_XDisplay* OwnXConnection() { return VideoOnX11() ? g_x11 : nullptr; }

bool QueryPointer(int& x, int& y) {
    if (!VideoOnX11() || !OpenX11Connection()) return false;
    Window root, child;
    int wx, wy;
    unsigned int mask;
    return XQueryPointer(g_x11, DefaultRootWindow(g_x11), &root, &child, &x, &y, &wx, &wy, &mask) != 0;
}

bool WarpPointer(int x, int y) {
    if (!VideoOnX11() || !OpenX11Connection()) return false;
    XWarpPointer(g_x11, None, DefaultRootWindow(g_x11), 0, 0, 0, 0, x, y);
    XSync(g_x11, False);
    return true;
}

bool WindowManagerRunning() {
    if (!VideoOnX11() || !OpenX11Connection()) return true;
    // A window manager that follows the desktop conventions names its own window on the root.
    Atom check = XInternAtom(g_x11, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool named = XGetWindowProperty(g_x11, DefaultRootWindow(g_x11), check, 0, 1, False, XA_WINDOW, &type, &format,
                                    &count, &after, &data) == Success &&
                 type == XA_WINDOW && count == 1;
    if (data) XFree(data);
    return named;
}

namespace {
// SDL's X connection and the X window of one of its windows.
bool X11WindowOf(SDL_Window* window, Display*& d, Window& w) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    d = info.info.x11.display;
    w = info.info.x11.window;
    return true;
}
}  // namespace

void WaitForDisplayInput(SDL_Window* window, int ms) {
    Display* d = nullptr;
    Window w = 0;
    if (!X11WindowOf(window, d, w)) {
        SDL_WaitEventTimeout(nullptr, ms);
        return;
    }
    if (XPending(d) > 0) return;
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    ::poll(&p, 1, ms);
}

bool PlaceWindowByHand(SDL_Window* window, int x, int y, int w, int h) {
    Display* d = nullptr;
    Window xw = 0;
    if (!X11WindowOf(window, d, xw)) return false;
    XMoveResizeWindow(d, xw, x, y, unsigned(w), unsigned(h));
    XRaiseWindow(d, xw);
    XSync(d, False);
    return true;
}

}  // namespace vr::detail
