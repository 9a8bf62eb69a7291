// The library's file access: the log, one INI value at a time, file tests and
// a pause. Every file name is relative to AppPath and joined with "\".
#pragma once
#include <cstdint>
#include <string>

#include "platform/variant.h"

namespace korva2d {

// Suspends the calling thread.
void PauseMs(int32_t milliseconds);
// The value, or empty text when the key is missing or empty (at most 254 characters).
std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& fileName);
// Writes the value; answers the platform write's success value (non-zero on
// success). Refuses (0, the file untouched) a write that would make other lines
// than its own key line or could not be read back as written: a line break or
// NUL anywhere, "]" in the section, "=" in the key, a key starting with "[".
int16_t WriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                      const vr::Variant& fileName);
// Appends "### " + time of day + " ### " + message + CR LF to AppPath\log.txt (or
// AppPath\logFile). On return `message` holds the whole line and `logFile` the
// full path. Where AppPath cannot be written the line goes to the user's copy
// of the log (platform/virtual_store.h). A log that cannot be written raises
// run-time error 75.
void AppendLog(std::string& message, std::string& logFile);
// AppendLog to the default log, for the library's own lines.
void AppendLog(const std::string& message);
// AppendLog for a line that reports an error: it goes first to standard error
// as "korva2d: " + message (so it is seen even when the log cannot be
// written), unless ErrorsToStandardError() is false.
void AppendErrorLog(const std::string& message);
// Whether error lines go to standard error: on unless turned off for the
// process or the environment holds KORVA2D_LOG=quiet.
bool ErrorsToStandardError();
void SetErrorsToStandardError(bool on);
// True when AppPath\fileName or the user's copy of it exists; otherwise logs
// "File is missing : " + the path, an error line unless `expected` (a file the
// library then makes itself).
bool AppFileExists(const std::string& fileName, bool expected = false);
// AppPath + "\" + name.
std::string AppFile(const std::string& name);
// The current local time of day in the user's long time format.
std::string TimeOfDayText();

}  // namespace korva2d
