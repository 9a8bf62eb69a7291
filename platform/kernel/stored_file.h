// Whole files as the profile functions keep them: a read that tells a
// missing file from one that cannot be read, and a replacement that leaves
// either the old file or the new one, whole, whatever fails part-way.
#pragma once
#include <cstdint>
#include <string>

namespace vr::profile {

enum class ReadResult { Missing, Read, Unreadable };

// One version of a file: new content, a replacement by rename or a change of
// permissions all give another stamp.
struct FileStamp {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modifiedNs = 0, changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at path (links followed); false with errno set when it cannot be examined.
bool StampOf(const std::string& path, FileStamp& stamp);
// Reads a regular file whole. `stable` tells that it did not change while it was read.
ReadResult ReadWholeFile(const std::string& path, std::string& bytes, FileStamp& stamp, bool& stable);
// Writes bytes to a temporary file beside path, flushes it to disk and renames it over path,
// keeping the old file's permissions and writing through a symbolic link. False, with path
// untouched, when any step fails or when the old file may not be written.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace vr::profile
