// The user's store of copies of files that cannot be written where they are.
// The decision is made per file at each call, with the effective user's
// rights: once a copy exists it is the file for this user.
#include "platform/virtual_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/kernel.h"

namespace vr {

namespace fs = std::filesystem;

namespace {

std::string Absolute(const std::string& path) {
    std::error_code ec;
    fs::path abs = fs::absolute(NativePath(path), ec);
    return (ec ? fs::path(NativePath(path)) : abs).lexically_normal().string();
}

bool Exists(const std::string& native) { return ::access(native.c_str(), F_OK) == 0; }

bool UserMay(const std::string& native, int mode) { return ::faccessat(AT_FDCWD, native.c_str(), mode, AT_EACCESS) == 0; }

// True when this user can write the file, or create it when it is missing.
bool UserMayWrite(const std::string& native, const std::string& folder) {
    if (Exists(native)) return UserMay(native, W_OK);
    return UserMay(folder, W_OK | X_OK);
}

// Copies the original beside the copy's place and renames it there, so that a
// copy that exists is always whole; the copy is writable by its owner.
void CopyOriginal(const std::string& original, const std::string& copy) {
    std::error_code ec;
    std::string temp = copy + ".copy-" + std::to_string(::getpid());
    if (fs::copy_file(original, temp, fs::copy_options::overwrite_existing, ec)) {
        fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
        fs::rename(temp, copy, ec);
    }
    if (ec) fs::remove(temp, ec);
}

}  // namespace

std::string VirtualStoreRoot() { return UserDataFolder() + "/vrplatform/VirtualStore"; }

std::string VirtualStoreCopyOf(const std::string& path) {
    std::string abs = Absolute(path);
    std::string root = fs::path(VirtualStoreRoot()).lexically_normal().string();
    if (abs == root || abs.rfind(root + "/", 0) == 0) return abs;
    return root + abs;
}

std::string PathForReading(const std::string& path) {
    std::string copy = VirtualStoreCopyOf(path);
    return Exists(copy) ? copy : NativePath(path);
}

std::string PathForWriting(const std::string& path) {
    std::string native = NativePath(path);
    std::string copy = VirtualStoreCopyOf(path);
    if (Exists(copy)) return copy;
    std::string folder = fs::path(Absolute(path)).parent_path().string();
    if (!IsDirectory(folder) || UserMayWrite(native, folder)) return native;
    std::error_code ec;
    fs::create_directories(fs::path(copy).parent_path(), ec);
    if (Exists(native)) CopyOriginal(native, copy);
    return copy;
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
    // Non-blocking, and only a regular file: a FIFO in the file's place would hold the open for ever.
    int fd = ::open(PathForWriting(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += size_t(n);
    }
    return ::close(fd) == 0 && ok;
}

}  // namespace vr
