#include <SDL.h>
#include <SDL_image.h>

#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/picture_file.h"
#include "platform/runtime_error.h"
#include "platform/virtual_store.h"

namespace vr {

Surface LoadPictureFile(const std::string& path) {
    std::string native = PathForReading(path);
    if (!PathFileExistsA(native) || IsDirectory(native)) throw RuntimeError(kErrFileNotFound, "File not found: " + path);
    Surface out;
    std::string reason;
    switch (ReadPicture(path, out, reason)) {
        case PictureFault::kNone: break;
        case PictureFault::kMissing: throw RuntimeError(kErrFileNotFound, "File not found: " + path);
        case PictureFault::kOutOfMemory: throw RuntimeError(kErrOutOfMemory, "Out of memory: " + path + ": " + reason);
        default: throw RuntimeError(481, "Invalid picture: " + path + ": " + reason);
    }
    for (uint32_t& p : out.pixels) p &= 0x00FFFFFF;
    return out;
}

bool SaveSurface(const Surface& surface, const std::string& path) {
    std::string native = NativePath(path);
    bool bmp = native.size() >= 4 && (native.substr(native.size() - 4) == ".bmp" || native.substr(native.size() - 4) == ".BMP");
    return SaveSurface(surface, path, bmp ? PictureFormat::kBmp : PictureFormat::kPng);
}

bool SaveSurface(const Surface& surface, const std::string& path, PictureFormat format) {
    if (surface.Empty()) return false;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(surface.pixels.data()), surface.width,
                                                        surface.height, 32, surface.width * 4, SDL_PIXELFORMAT_XRGB8888);
    if (!s) return false;
    std::string native = PathForWriting(path);
    int rc = format == PictureFormat::kBmp ? SDL_SaveBMP(s, native.c_str()) : IMG_SavePNG(s, native.c_str());
    SDL_FreeSurface(s);
    return rc == 0;
}

}  // namespace vr
