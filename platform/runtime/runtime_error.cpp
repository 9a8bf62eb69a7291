#include "platform/runtime_error.h"

#include <cstdio>
#include <cstdlib>

#include "platform/dialogs.h"

namespace vr {

std::string RuntimeErrorDescription(int32_t number) {
    switch (number) {
        case 3: return "Return without GoSub";
        case 5: return "Invalid procedure call or argument";
        case 6: return "Overflow";
        case 7: return "Out of memory";
        case 9: return "Subscript out of range";
        case 10: return "This array is fixed or temporarily locked";
        case 11: return "Division by zero";
        case 13: return "Type mismatch";
        case 28: return "Out of stack space";
        case 52: return "Bad file name or number";
        case 53: return "File not found";
        case 57: return "Device I/O error";
        case 61: return "Disk full";
        case 70: return "Permission denied";
        case 75: return "Path/File access error";
        case 76: return "Path not found";
        case 91: return "Object variable or With block variable not set";
        case 424: return "Object required";
        case 429: return "ActiveX component can't create object";
        case 438: return "Object doesn't support this property or method";
        case 445: return "Object doesn't support this action";
        case 481: return "Invalid picture";
        default: return "Application-defined or object-defined error";
    }
}

RuntimeError::RuntimeError(int32_t number) : RuntimeError(number, RuntimeErrorDescription(number)) {}

RuntimeError::RuntimeError(int32_t number, const std::string& description)
    : std::runtime_error("Run-time error " + std::to_string(number) + ": " + description),
      number_(number),
      description_(description) {}

void Raise(int32_t number) { throw RuntimeError(number); }

std::string RuntimeErrorReportText(const RuntimeError& error) {
    return "Run-time error '" + std::to_string(error.number()) + "':\r\n\r\n" + error.description();
}

void ReportRuntimeErrorAndExit(const RuntimeError& error, const std::string& programTitle) {
    std::string text = RuntimeErrorReportText(error);
    std::fprintf(stderr, "%s: Run-time error '%d': %s\n", programTitle.c_str(), error.number(),
                 error.description().c_str());
    try {
        MsgBox(text, kMbOkOnly, programTitle);
    } catch (...) {
        // The report already went to standard error; nothing more to show.
    }
    std::_Exit(1);
}

}  // namespace vr
