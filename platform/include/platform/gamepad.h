// Game controllers as a pointer and keys for the focused form.
#pragma once

namespace vr {

// Game controllers steer the pointer (each opened as it is plugged in, before
// or after this call): the left stick and the D-pad move it at up to
// pixelsPerSecond client pixels a second (the stick's full tilt; the D-pad at
// half of it), inside the pointer clip; the south button (A) is the left mouse
// button, the east button (B) the right one, Start the Pause key and Back
// Escape. They reach the focused form as ordinary mouse and key events,
// through the message queue like any other input. Off: controllers are let go.
inline constexpr double kDefaultGamepadSpeed = 600;
void UseGamepads(bool on, double pixelsPerSecond = kDefaultGamepadSpeed);
// The number of controllers open now.
int OpenGamepads();

}  // namespace vr
