// Run-time errors of the language runtime: an exception carrying the error
// number and its description, and the report that ends a program.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace vr {

// Well-known run-time error numbers.
enum RuntimeErrorNumber : int32_t {
    kErrInvalidCall = 5,
    kErrOverflow = 6,
    kErrOutOfMemory = 7,
    kErrSubscript = 9,
    kErrDivisionByZero = 11,
    kErrTypeMismatch = 13,
    kErrFileNotFound = 53,
    kErrFileAccess = 75,
    kErrPathNotFound = 76,
    kErrCannotCreateObject = 429,
    kErrNotImplemented = 445,
};

// The standard description of an error number ("Overflow" for 6, ...).
std::string RuntimeErrorDescription(int32_t number);

// A run-time error as thrown by the runtime helpers and by failing calls.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(int32_t number);
    RuntimeError(int32_t number, const std::string& description);
    int32_t number() const { return number_; }
    const std::string& description() const { return description_; }

private:
    int32_t number_;
    std::string description_;
};

// A run-time error about one file: the error's text, and which file and what is
// wrong with it ("PATH: the file is cut short"), kept apart so that an error
// line can name both. The description is the text followed by " (detail)".
class FileFailure : public RuntimeError {
public:
    FileFailure(int32_t number, const std::string& text, std::string detail)
        : RuntimeError(number, text + " (" + detail + ")"), detail_(std::move(detail)) {}
    const std::string& detail() const { return detail_; }

private:
    std::string detail_;
};

// Throws RuntimeError(number) with its standard description.
[[noreturn]] void Raise(int32_t number);

// The text of the program-ending report: "Run-time error 'N':" CR LF CR LF description.
std::string RuntimeErrorReportText(const RuntimeError& error);

// Shows the program-ending report in a modal message box titled with the
// program's name, then ends the process with exit status 1.
[[noreturn]] void ReportRuntimeErrorAndExit(const RuntimeError& error, const std::string& programTitle);

}  // namespace vr
