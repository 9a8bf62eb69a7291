// Modal message boxes and input boxes. Texts are Windows-1252.
//
// Scripted answers: when VR_DIALOG_SCRIPT names a file, each dialog takes the
// next line of it as its answer ("OK", "Yes", "No", "Cancel" for message
// boxes; the typed text for input boxes, "<cancel>" for Cancel). Every
// dialog is written to standard error as
//   [dialog] <title> | <text> | <answer>
// so a run can be checked. Without a script a real window is shown; with no
// display a dialog raises a run-time error with a clear message.
#pragma once
#include <functional>
#include <string>

namespace vr {

enum MsgBoxStyle : int { kMbOkOnly = 0, kMbYesNo = 4 };
enum MsgBoxResult : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// Shows a modal message box; answers kIdOk, kIdYes or kIdNo. An empty title
// shows the program's default title.
int MsgBox(const std::string& text, int style = kMbOkOnly, const std::string& title = "");
// Shows a modal input box; answers the typed text, or "" for Cancel.
std::string InputBox(const std::string& prompt, const std::string& title = "", const std::string& defaultText = "");

// The default title of message boxes (the program's name).
void SetDefaultDialogTitle(const std::string& title);

// Called repeatedly while a modal dialog is open, so owner windows repaint.
void SetModalIdleHook(std::function<void()> hook);
void RunModalIdleHook();

}  // namespace vr
