// The one message queue of the process: processing it (where repaints happen
// and every event handler runs), the program's end, and the video it needs.
#pragma once

namespace vr {

// Processes every pending message once and repaints what changed.
void DoEvents();
// Processes every pending message of the thread (the frame limiter's wait).
void ProcessPendingMessages();
// Waits for and processes messages until every shown form is unloaded.
void RunMessageLoop();
// Ends the process at once with the given status.
[[noreturn]] void EndProgram(int status);

// Starts SDL's video (once), retrying a busy display for about a second; a
// program whose display later goes away ends with one line and status 1.
// Throws RuntimeError saying why when there is no usable display.
void EnsureVideo();

}  // namespace vr
