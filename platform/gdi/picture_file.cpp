#include <SDL.h>
#include <SDL_image.h>

#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/runtime_error.h"
#include "platform/virtual_store.h"

namespace vr {

Surface LoadPictureFile(const std::string& path) {
    std::string native = PathForReading(path);
    if (!PathFileExistsA(native) || IsDirectory(native)) throw RuntimeError(kErrFileNotFound, "File not found: " + path);
    SDL_Surface* loaded = IMG_Load(native.c_str());
    if (!loaded) throw RuntimeError(481, "Invalid picture: " + path);
    SDL_Surface* conv = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_XRGB8888, 0);
    SDL_FreeSurface(loaded);
    if (!conv) throw RuntimeError(481, "Invalid picture: " + path);
    Surface out(conv->w, conv->h);
    SDL_LockSurface(conv);
    for (int j = 0; j < conv->h; ++j) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(conv->pixels) + j * conv->pitch);
        for (int i = 0; i < conv->w; ++i) out.At(i, j) = row[i] & 0x00FFFFFF;
    }
    SDL_UnlockSurface(conv);
    SDL_FreeSurface(conv);
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
