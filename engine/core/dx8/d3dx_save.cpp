// Saving a part of a surface to a picture file. The picture is made in memory
// and written to a hidden temporary file beside the target, flushed to disk and
// renamed to its name: a full disk or an end in the middle leaves no cut file
// and no empty one under the name.
#include <SDL.h>
#include <SDL_image.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/dx8/d3dx8.h"
#include "platform/virtual_store.h"

namespace korva2d::dx8 {

namespace {

// An SDL stream that grows in memory; SDL's writers seek back to finish their headers.
struct MemoryStream {
    std::string bytes;
    size_t at = 0;
};

MemoryStream& StreamOf(SDL_RWops* rw) { return *static_cast<MemoryStream*>(rw->hidden.unknown.data1); }

Sint64 StreamSize(SDL_RWops* rw) { return Sint64(StreamOf(rw).bytes.size()); }

Sint64 StreamSeek(SDL_RWops* rw, Sint64 offset, int whence) {
    MemoryStream& m = StreamOf(rw);
    Sint64 base = whence == RW_SEEK_SET ? 0 : whence == RW_SEEK_CUR ? Sint64(m.at) : Sint64(m.bytes.size());
    if (base + offset < 0) return SDL_SetError("seek before the start");
    m.at = size_t(base + offset);
    return Sint64(m.at);
}

size_t StreamWrite(SDL_RWops* rw, const void* data, size_t size, size_t count) {
    MemoryStream& m = StreamOf(rw);
    size_t n = size * count;
    if (m.bytes.size() < m.at + n) m.bytes.resize(m.at + n);
    std::memcpy(m.bytes.data() + m.at, data, n);
    m.at += n;
    return count;
}

size_t StreamRead(SDL_RWops*, void*, size_t, size_t) { return 0; }
int StreamClose(SDL_RWops*) { return 0; }

std::string Encode(const vr::Surface& picture, int32_t format) {
    void* pixels = const_cast<uint32_t*>(picture.pixels.data());
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(pixels, picture.width, picture.height, 32, picture.width * 4,
                                                        SDL_PIXELFORMAT_XRGB8888);
    if (!s) Fail(E_OUTOFMEMORY);
    MemoryStream stream;
    SDL_RWops rw{};
    rw.size = StreamSize;
    rw.seek = StreamSeek;
    rw.read = StreamRead;
    rw.write = StreamWrite;
    rw.close = StreamClose;
    rw.hidden.unknown.data1 = &stream;
    int rc = format == D3DXIFF_BMP ? SDL_SaveBMP_RW(s, &rw, 0) : IMG_SavePNG_RW(s, &rw, 0);
    SDL_FreeSurface(s);
    if (rc != 0) Fail(E_FAIL);
    return std::move(stream.bytes);
}

bool WriteAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

std::atomic<unsigned> g_tempCounter{0};

// Writes the file whole under its name, or leaves nothing and says why.
void WriteWholeFile(const std::string& path, const std::string& bytes) {
    namespace fs = std::filesystem;
    fs::path target = vr::PathForWriting(path);
    fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path temp = folder / ("." + target.filename().string() + ".part-" + std::to_string(::getpid()) + "-" +
                              std::to_string(g_tempCounter++));
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    bool ok = fd >= 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (ok) return;
    if (fd >= 0) ::unlink(temp.c_str());
    Fail(E_FAIL, "writing " + target.string() + ": " + std::strerror(error));
}

}  // namespace

void D3DX8::SaveSurfaceToFile(const std::string& path, int32_t format, const Direct3DSurface8& surface, const void*,
                              const vr::RECT* rect) {
    if (format != D3DXIFF_BMP && format != D3DXIFF_PNG) Fail(D3DERR_INVALIDCALL);
    vr::RECT r = rect ? *rect : vr::RECT{0, 0, surface.width, surface.height};
    int64_t w = int64_t(r.right) - r.left, h = int64_t(r.bottom) - r.top;
    if (w <= 0 || h <= 0) Fail(D3DERR_INVALIDCALL);
    if (w * h > (int64_t(1) << 28)) Fail(E_OUTOFMEMORY);
    vr::Surface out(int(w), int(h), 0);
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, surface.height); ++y)
        for (int x = std::max(r.left, 0); x < std::min(r.right, surface.width); ++x)
            out.At(x - r.left, y - r.top) = surface.pixels[size_t(y) * surface.width + x] & 0xFFFFFF;
    WriteWholeFile(path, Encode(out, format));
}

}  // namespace korva2d::dx8
