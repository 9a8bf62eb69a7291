// Answers for dialogs queued in-process, for tests. Not installed, and built
// only with VR_TEST_SEAMS.
#pragma once
#include <string>

namespace vr {

// Queues an answer for the next dialog, taken before a VR_DIALOG_SCRIPT file's
// lines (platform/dialogs.h).
void PushDialogAnswer(const std::string& answer);
// Number of dialogs shown so far in this process.
int DialogCount();

}  // namespace vr
