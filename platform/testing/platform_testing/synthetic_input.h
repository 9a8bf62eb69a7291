// Synthetic input for tests and the game's check-only drivers (the autopilot):
// events queued or delivered as if the user had made them. Not installed.
#pragma once

namespace vr {

class Form;
class PictureBox;

// Queues input for a form as if the user had done it (tests, the pilot).
// Positions are in the form's client pixels.
void PostMouseMove(Form& form, int x, int y);
void PostMouseButton(Form& form, int button, bool down, int x, int y);
void PostKey(Form& form, int virtualKey, bool down);
void PostClose(Form& form);
void PostFocusLoss(Form& form);
// Runs a box's mouse handler (kind 0 move, 1 down, 2 up; position in the
// box's pixels) or a form's key handler as the message pump does, recorded
// while a recording runs: scripted input without a shown window.
void SendMouse(PictureBox& box, int kind, int button, int shift, int x, int y);
void SendKey(Form& form, bool down, int virtualKey, int shift);

}  // namespace vr
