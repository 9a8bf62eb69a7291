#include "kernel/stored_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>

#include "kernel/profile_document.h"
#include "kernel/profile_seams.h"

namespace vr::profile {

namespace {

std::atomic<int64_t> g_readErrorAfter{-1};
std::atomic<unsigned> g_tempCounter{0};

FileStamp StampFrom(const struct stat& st) {
    FileStamp s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = static_cast<uint64_t>(st.st_size);
    s.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changedNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

// Reads up to n bytes; the simulated damaged disk fails at its byte count.
ssize_t ReadSome(int fd, char* buf, size_t n, uint64_t doneSoFar) {
    int64_t limit = g_readErrorAfter.load();
    if (limit >= 0) {
        if (doneSoFar >= uint64_t(limit)) {
            errno = EIO;
            return -1;
        }
        n = std::min<uint64_t>(n, uint64_t(limit) - doneSoFar);
    }
    return ::read(fd, buf, n);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// The file a write lands in: symbolic links are followed, even dangling ones,
// so the link stays and its target gets the new content.
std::filesystem::path WriteTarget(const std::string& path) {
    std::filesystem::path target(path);
    std::error_code ec;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec)); ++hops) {
        std::filesystem::path link = std::filesystem::read_symlink(target, ec);
        if (ec) break;
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return target;
}

}  // namespace

bool StampOf(const std::string& path, FileStamp& stamp) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    stamp = StampFrom(st);
    return true;
}

ReadResult ReadWholeFile(const std::string& path, std::string& bytes, FileStamp& stamp, bool& stable) {
    bytes.clear();
    stable = false;
    // Non-blocking, so a FIFO in the file's place cannot hang the caller.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::Missing : ReadResult::Unreadable;
    struct stat before {};
    ReadResult result = ReadResult::Unreadable;
    if (::fstat(fd, &before) == 0 && S_ISREG(before.st_mode) && uint64_t(before.st_size) <= kMaxProfileBytes) {
        bytes.reserve(size_t(before.st_size));
        char buf[65536];
        result = ReadResult::Read;
        for (;;) {
            ssize_t n = ReadSome(fd, buf, sizeof buf, bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 || bytes.size() + size_t(n) > kMaxProfileBytes) {
                result = ReadResult::Unreadable;
                break;
            }
            if (n == 0) break;
            bytes.append(buf, size_t(n));
        }
        struct stat after {};
        if (result == ReadResult::Read && ::fstat(fd, &after) == 0) {
            stamp = StampFrom(after);
            stable = stamp == StampFrom(before) && bytes.size() == stamp.size;
        }
    }
    ::close(fd);
    if (result != ReadResult::Read) bytes.clear();
    return result;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
    std::filesystem::path target = WriteTarget(path);
    struct stat old {};
    bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && (!S_ISREG(old.st_mode) || ::access(target.c_str(), W_OK) != 0)) return false;

    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string stem = "." + target.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-";
    std::filesystem::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder / (stem + std::to_string(g_tempCounter++));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool ok = true;
    if (existed) {
        // Owner first: a change of owner clears set-id bits that the mode then restores.
        // Only root may hand the file to another owner; anyone else keeps their own.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::geteuid() == 0) ok = false;
        ok = ok && ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    // The folder is not flushed: after a crash right now the old file may come back, but whole.
    return ok;
}

}  // namespace vr::profile

namespace vr {

void SimulateProfileReadErrorAfter(int64_t bytes) { profile::g_readErrorAfter.store(bytes < 0 ? -1 : bytes); }

}  // namespace vr
