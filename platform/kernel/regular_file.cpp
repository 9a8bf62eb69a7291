#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vr {

namespace {
// Closes fd and leaves `error` in errno for the caller.
void CloseWithError(int fd, int error) {
    ::close(fd);
    errno = error;
}
}  // namespace

int OpenRegularFileForReading(const std::string& nativePath, std::string& reason) {
    // Non-blocking: opening a FIFO without a writer would otherwise wait for one.
    int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOTDIR) errno = ENOENT;
        reason = errno == ENOENT ? "the file does not exist" : std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        bool folder = S_ISDIR(st.st_mode);
        reason = folder ? "it is a folder, not a file" : "it is a FIFO, device or socket, not a file";
        CloseWithError(fd, folder ? EISDIR : ENODEV);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool ReadRegularFile(const std::string& nativePath, uint64_t maxBytes, std::string& bytes, std::string& reason) {
    bytes.clear();
    int fd = OpenRegularFileForReading(nativePath, reason);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || uint64_t(st.st_size) > maxBytes) {
        reason = "the file holds " + std::to_string(st.st_size) + " bytes, more than the " + std::to_string(maxBytes) +
                 " it may";
        CloseWithError(fd, EFBIG);
        return false;
    }
    bytes.resize(size_t(st.st_size));
    size_t done = 0;
    // The file may change while it is read: what it holds then is what counts, up to maxBytes.
    for (;;) {
        if (done == bytes.size()) {
            if (bytes.size() >= maxBytes) break;
            bytes.resize(std::min<uint64_t>(maxBytes, bytes.size() + 65536));
        }
        ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int error = errno;
            reason = std::strerror(error);
            bytes.clear();
            CloseWithError(fd, error);
            return false;
        }
        if (n == 0) break;
        done += size_t(n);
    }
    bytes.resize(done);
    ::close(fd);
    return true;
}

}  // namespace vr
