// The real dialog window shared by message boxes and input boxes.
#pragma once
#include <string>
#include <vector>

namespace vr {

struct DialogSpec {
    std::string title;            // Windows-1252
    std::string text;             // Windows-1252, CR LF or LF line breaks
    std::vector<std::string> buttons;  // captions, left to right
    int defaultButton = 0;        // Enter
    int cancelButton = 0;         // Escape and closing the window
    bool hasEdit = false;
    std::string editText;         // Windows-1252, in and out
};

// Shows the dialog modally and answers the index of the button pressed.
// Throws RuntimeError when the window cannot be made.
int RunDialogWindow(DialogSpec& spec);

// The input box: answers the typed text, or "" for Cancel.
std::string RunInputBoxWindow(const std::string& prompt, const std::string& title, const std::string& defaultText);

}  // namespace vr
