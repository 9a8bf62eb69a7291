// Per-user copies of files that this user cannot write where they are. A
// program installed in a protected folder (under /usr, say) still keeps its
// log, its INI files and its screenshots: a write that this user may not make
// goes to the user's copy of the file,
//   $XDG_DATA_HOME/vrplatform/VirtualStore/<the file's absolute path>
// (default ~/.local/share/vrplatform/VirtualStore/...), and from then on reads
// and writes of that file use the copy. It applies to every folder, not only
// the program's. Paths may use "\" or "/" separators.
#pragma once
#include <string>

namespace vr {

// The root of the user's store (not created): $XDG_DATA_HOME/vrplatform/VirtualStore.
std::string VirtualStoreRoot();
// The user's copy of a file, whether or not it exists; a path inside the store is its own copy.
std::string VirtualStoreCopyOf(const std::string& path);
// The native path to read the file from: the user's copy when there is one, otherwise the file.
std::string PathForReading(const std::string& path);
// The native path to write the file to. Writers of whole files (screenshots,
// for one) call it with the file's name and write to the answer. It is the
// user's copy when that exists, or when this user cannot write the file or
// create it in its folder; the copy's folders are then created and the copy
// starts with the original's bytes. Otherwise it is the file itself (also when
// its folder does not exist, so that such a write fails as it would anyway).
std::string PathForWriting(const std::string& path);
// Appends the bytes to the file PathForWriting names, created when missing;
// false when that fails or when it is not a regular file (a FIFO is never waited on).
bool AppendToFile(const std::string& path, const std::string& bytes);

}  // namespace vr
