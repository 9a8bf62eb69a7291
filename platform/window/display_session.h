// The display the windows live on: starting SDL's video (retrying a display
// that is briefly busy), the platform's own connection to the X server for
// the pointer, and the end of the process when the display goes away.
#pragma once
#include <functional>
#include <string>
#include <vector>

struct SDL_Window;
struct _XDisplay;

namespace vr::detail {

// How to start the video, from SDL_VIDEODRIVER, DISPLAY and WAYLAND_DISPLAY.
struct VideoChoice {
    std::string driver;           // the driver to ask SDL for; empty: SDL_VIDEODRIVER or SDL's own choice
    std::string displayName;      // what the user named, for messages ("" when nothing)
    bool retry = false;           // a display server is named, so a failure may be temporary
    bool virtualAllowed = false;  // offscreen and dummy are acceptable (asked for by name)
};
VideoChoice ChooseVideo(const char* sdlVideoDriver, const char* display, const char* waylandDisplay);

// The waits between tries when a display is briefly busy: about a second in all.
const std::vector<int>& RetryDelaysMs();
// Calls attempt until it answers true, waiting delaysMs[i] after the i-th failure;
// answers the number of tries made (delaysMs.size() + 1 at most).
int TryWithWaits(const std::function<bool()>& attempt, const std::function<void(int)>& wait,
                 const std::vector<int>& delaysMs);

// Starts SDL's video as ChooseVideo says, with the platform's X connection when
// the video is on X. Throws RuntimeError saying why when it gives up.
void StartVideo();
// Ends the process (one line on standard error, status 1) if the X server has
// closed the connection; cheap enough for every pass of the message loop. Also
// puts the handler of protocol errors back if a library replaced it.
void CheckDisplay();
// Makes X protocol errors on any connection of the process a logged line on
// standard error instead of the end of the program (Xlib's default).
void KeepProtocolErrorsNonFatal();
// The number of X protocol errors met so far.
int ProtocolErrorCount();
// The platform's own X connection (null when the video is not on X).
_XDisplay* OwnXConnection();
// The pointer's position on the screen, asked of the X server; false when the video is not on X.
bool QueryPointer(int& x, int& y);
// Moves the pointer on the X server and waits until it has; false when the video is not on X.
bool WarpPointer(int x, int y);
// False on an X server that no window manager runs (nobody carries out a
// request for full screen there); true on X with one and on other displays.
bool WindowManagerRunning();
// Waits up to ms for input from the display a window is on. Unlike SDL's own
// wait, it leaves no note of the window in SDL for other threads to send a
// wakeup to, which would name a window that is gone once it closes.
void WaitForDisplayInput(SDL_Window* window, int ms);
// Moves and sizes a window on X itself, on top, as no window manager does it
// for a window in full screen; false when the window is not on X.
bool PlaceWindowByHand(SDL_Window* window, int x, int y, int w, int h);

}  // namespace vr::detail
