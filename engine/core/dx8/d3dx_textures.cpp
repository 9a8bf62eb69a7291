// Texture loading: a picture file becomes a texture of the picture's own size
// in A8R8G8B8, on the renderer of the device.
#include <SDL.h>
#include <SDL_image.h>

#include <cctype>

#include "core/dx8/d3dx8.h"
#include "platform/kernel.h"
#include "platform/virtual_store.h"

namespace korva2d::dx8 {

namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

// TGA has no signature, so the loader needs the file's extension to read it.
std::string TypeOfName(const std::string& path) {
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
    return ext == "TGA" ? ext : "";
}

SurfacePtr LoadPicture(const std::string& path) {
    std::string native = vr::PathForReading(path);
    if (vr::IsDirectory(native)) Fail(D3DXERR_INVALIDDATA);
    SDL_RWops* rw = SDL_RWFromFile(native.c_str(), "rb");
    if (!rw) Fail(D3DXERR_INVALIDDATA);
    std::string type = TypeOfName(native);
    SDL_Surface* loaded = IMG_LoadTyped_RW(rw, 1, type.empty() ? nullptr : type.c_str());
    if (!loaded) Fail(D3DXERR_INVALIDDATA);
    SurfacePtr picture(loaded);
    SurfacePtr argb(SDL_ConvertSurfaceFormat(picture.get(), SDL_PIXELFORMAT_ARGB8888, 0));
    if (!argb) Fail(D3DXERR_INVALIDDATA);
    return argb;
}

vr::com::ComPtr<Direct3DTexture8> MakeTexture(const std::shared_ptr<Direct3DDevice8>& device, SDL_Surface* pixels) {
    if (!device) Fail(D3DERR_INVALIDCALL);
    SDL_Renderer* r = device->BeginDrawing();
    if (!r) Fail(D3DERR_DEVICELOST);
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(r, &info);
    int maxW = info.max_texture_width ? info.max_texture_width : 16384;
    int maxH = info.max_texture_height ? info.max_texture_height : 16384;
    if (pixels->w > maxW || pixels->h > maxH) Fail(D3DERR_NOTAVAILABLE);
    SDL_Texture* t = SDL_CreateTextureFromSurface(r, pixels);
    if (!t) Fail(D3DERR_OUTOFVIDEOMEMORY);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
    vr::com::ComPtr<Direct3DTexture8> texture;
    // The new object starts with the one reference the pointer takes over.
    *texture.Put() = static_cast<void*>(new Direct3DTexture8(device->Presentation(), t, pixels->w, pixels->h));
    return texture;
}

}  // namespace

vr::com::ComPtr<Direct3DTexture8> D3DX8::CreateTextureFromFile(const std::shared_ptr<Direct3DDevice8>& device,
                                                               const std::string& path) {
    if (HookFails("texture")) Fail(D3DERR_OUTOFVIDEOMEMORY);
    if (!device) Fail(D3DERR_INVALIDCALL);
    SurfacePtr pixels = LoadPicture(path);
    return MakeTexture(device, pixels.get());
}

vr::com::ComPtr<Direct3DTexture8> D3DX8::CreateTextureFromFileEx(const std::shared_ptr<Direct3DDevice8>& device,
                                                                 const std::string& path, int32_t width,
                                                                 int32_t height, int32_t, int32_t, int32_t format,
                                                                 int32_t pool, int32_t, int32_t, uint32_t colorKey) {
    if (HookFails("texture")) Fail(D3DERR_OUTOFVIDEOMEMORY);
    if (!device) Fail(D3DERR_INVALIDCALL);
    // The picture keeps its own size; only the defaults (the file's size) are accepted.
    if ((width != D3DX_DEFAULT && width != 0) || (height != D3DX_DEFAULT && height != 0)) Fail(D3DERR_INVALIDCALL);
    if (format != D3DFMT_UNKNOWN && format != D3DFMT_A8R8G8B8) Fail(D3DERR_INVALIDCALL);
    if (pool < D3DPOOL_DEFAULT || pool > D3DPOOL_SYSTEMMEM) Fail(D3DERR_INVALIDCALL);
    SurfacePtr pixels = LoadPicture(path);
    if (colorKey != 0) {
        SDL_LockSurface(pixels.get());
        for (int y = 0; y < pixels->h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels->pixels) + size_t(y) * pixels->pitch);
            for (int x = 0; x < pixels->w; ++x)
                if (row[x] == colorKey) row[x] = 0;
        }
        SDL_UnlockSurface(pixels.get());
    }
    return MakeTexture(device, pixels.get());
}

}  // namespace korva2d::dx8
