// Files that must be regular files, opened without ever blocking: a FIFO, a
// device or a socket in a file's place is refused with a reason instead of
// being waited on in open().
#pragma once
#include <cstdint>
#include <string>

namespace vr {

// Opens a native path for reading. The descriptor (close-on-exec), or -1 with
// the reason ("the file does not exist", "it is a folder, not a file", "it is
// a FIFO, device or socket, not a file", or the system's text); errno is
// ENOENT exactly when the file does not exist.
int OpenRegularFileForReading(const std::string& nativePath, std::string& reason);
// Reads a regular file whole when it holds at most maxBytes; false with the
// reason (errno ENOENT when the file does not exist).
bool ReadRegularFile(const std::string& nativePath, uint64_t maxBytes, std::string& bytes, std::string& reason);

}  // namespace vr
