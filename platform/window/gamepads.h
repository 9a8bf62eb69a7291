// The message queue's side of the game controllers (platform/gamepad.h).
#pragma once
#include <SDL.h>

namespace vr::detail {

// Takes a controller event (plug, unplug, button, stick); false for any other event.
bool HandleGamepadEvent(const SDL_Event& e);
// Moves the pointer as the sticks and D-pads held since the last call say;
// called at every processing of the queue.
void StepGamepadPointer();

}  // namespace vr::detail
