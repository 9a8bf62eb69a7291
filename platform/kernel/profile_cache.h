// Parsed profile files kept in memory while the file on disk is unchanged,
// so repeated reads of one file cost one parse and a write parses nothing.
#pragma once
#include <memory>
#include <string>

#include "kernel/profile_document.h"
#include "kernel/stored_file.h"

namespace vr::profile {

// The parsed file at path: the cached parse while the file's stamp is unchanged, else read and parsed.
ReadResult LoadProfile(const std::string& path, std::shared_ptr<const ProfileDocument>& doc);
// Replaces the file at path with the document's bytes atomically and keeps the document as its
// parse. False when the file was left as it was.
// Inside a write group the document is kept for the group's end instead.
bool StoreProfile(const std::string& path, ProfileDocument doc);
// Writes the documents of the thread's write group; true when all reached the disk.
bool FlushWriteGroup();

}  // namespace vr::profile
