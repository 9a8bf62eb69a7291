// The display the windows live on: starting SDL's video (retrying a display
// that is briefly busy), the platform's own connection to the X server for
// the pointer, and the end of the process when the display goes away.
#pragma once
#include <functional>
#include <string>
#include <vector>

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
// closed the connection; cheap enough for every pass of the message loop.
void CheckDisplay();
// The pointer's position on the screen, asked of the X server; false when the video is not on X.
bool QueryPointer(int& x, int& y);
// Moves the pointer on the X server and waits until it has; false when the video is not on X.
bool WarpPointer(int x, int y);
// False on an X server that no window manager runs (nobody carries out a
// request for full screen there); true on X with one and on other displays.
bool WindowManagerRunning();

}  // namespace vr::detail
