// Private-profile (INI) files with the behaviour of the Windows ANSI functions:
// case-insensitive names, first match wins, values trimmed and unquoted on
// read, CRLF lines, new keys after the last key of their section.
// File names use "\" or "/"; a bare name (no folder) lives in the system
// directory, as it did in the Windows directory.
#pragma once
#include <cstdint>
#include <map>
#include <string>

namespace vr {

// Reads a value (or, with a null section or key, the NUL-separated list of
// section or key names). Returns the number of characters copied.
uint32_t GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultText,
                                  char* returnedString, uint32_t size, const char* fileName);

// Writes a value; a null value deletes the key, a null key deletes the section.
// Returns non-zero on success, 0 on failure (missing folder, empty file name).
int32_t WritePrivateProfileStringA(const char* appName, const char* keyName, const char* text,
                                   const char* fileName);

// Groups the profile writes of one thread while it lives, as the Windows
// profile cache did: reads see every write at once, and each file changed in
// the group reaches the disk in one atomic replacement when the group ends
// (or at Flush) instead of once per write. A write in a group answers success
// once its change is made in memory; Flush answers whether every file was
// written. Groups do not nest: an inner group joins the outer one.
class ProfileWriteGroup {
public:
    ProfileWriteGroup();
    ~ProfileWriteGroup();
    ProfileWriteGroup(const ProfileWriteGroup&) = delete;
    ProfileWriteGroup& operator=(const ProfileWriteGroup&) = delete;
    // Writes every file changed so far; true when all of them reached the disk.
    bool Flush();

private:
    bool outer_;
};

}  // namespace vr
