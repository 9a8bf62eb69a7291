// Private-profile (INI) files with the behaviour of the Windows ANSI functions:
// case-insensitive names, first match wins, values trimmed and unquoted on
// read, CRLF lines, new keys after the last key of their section.
// File names use "\" or "/"; a bare name (no folder) lives in the system
// directory, as it did in the Windows directory.
#pragma once
#include <cstdint>

namespace vr {

// Reads a value (or, with a null section or key, the NUL-separated list of
// section or key names). Returns the number of characters copied.
uint32_t GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultText,
                                  char* returnedString, uint32_t size, const char* fileName);

// Writes a value; a null value deletes the key, a null key deletes the section.
// Returns non-zero on success, 0 on failure (missing folder, empty file name).
int32_t WritePrivateProfileStringA(const char* appName, const char* keyName, const char* text,
                                   const char* fileName);

}  // namespace vr
