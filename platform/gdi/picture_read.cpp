// Reading a picture file into pixels: the bytes are read once, checked, and
// only then decoded from memory.
#include <SDL.h>
#include <SDL_image.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "platform/picture_file.h"
#include "platform/regular_file.h"
#include "platform/virtual_store.h"

namespace vr {

namespace {

bool NamedTga(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".tga";
}

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

}  // namespace

PictureFault ReadPicture(const std::string& path, Surface& argb, std::string& reason, int maxSide) {
    std::string native = PathForReading(path);
    std::string bytes;
    if (!ReadRegularFile(native, kMaxPictureFileBytes, bytes, reason))
        return errno == ENOENT ? PictureFault::kMissing : errno == EFBIG ? PictureFault::kTooLarge : PictureFault::kNotAFile;
    PictureHeader header;
    PictureFault fault = CheckPictureBytes(bytes, NamedTga(native), maxSide, header, reason);
    if (fault != PictureFault::kNone) return fault;
    bool tga = std::strcmp(header.format, "TGA") == 0;
    SurfacePtr decoded(IMG_LoadTyped_RW(SDL_RWFromConstMem(bytes.data(), int(bytes.size())), 1, tga ? "TGA" : nullptr));
    std::string().swap(bytes);
    if (!decoded) {
        reason = std::string("the ") + header.format + " decoder refused it: " + IMG_GetError();
        return PictureFault::kDamaged;
    }
    if (decoded->w != header.width || decoded->h != header.height) {
        reason = "the decoder read another size than its header gives";
        return PictureFault::kDamaged;
    }
    SurfacePtr converted(SDL_ConvertSurfaceFormat(decoded.get(), SDL_PIXELFORMAT_ARGB8888, 0));
    decoded.reset();
    try {
        if (!converted) throw std::bad_alloc();
        argb.Reset(converted->w, converted->h);
    } catch (const std::bad_alloc&) {
        reason = "there is not enough memory for its " + std::to_string(header.width) + " x " +
                 std::to_string(header.height) + " pixels";
        return PictureFault::kOutOfMemory;
    }
    SDL_LockSurface(converted.get());
    for (int y = 0; y < converted->h; ++y)
        std::memcpy(&argb.At(0, y), static_cast<const uint8_t*>(converted->pixels) + size_t(y) * converted->pitch,
                    size_t(converted->w) * 4);
    SDL_UnlockSurface(converted.get());
    return PictureFault::kNone;
}

}  // namespace vr
