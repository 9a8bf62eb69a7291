// A virtual game controller for tests and the game's controller script. Not
// installed.
#pragma once
#include <string>

namespace vr {

// A virtual game controller (SDL's virtual joystick), for tests and end-to-end
// checks only: attaching it is plugging it in, detaching unplugging it.
enum class PadButton { A, B, Back, Start, DpadUp, DpadDown, DpadLeft, DpadRight };
enum class PadAxis { LeftX, LeftY };
// Answers the new controller's number, or -1 with SDL's reason in why.
int AttachVirtualGamepad(std::string& why);
void SetVirtualGamepadAxis(int pad, PadAxis axis, int value);  // -32768 .. 32767
void SetVirtualGamepadButton(int pad, PadButton button, bool down);
void DetachVirtualGamepad(int pad);

}  // namespace vr
