// Texture loading: a picture file becomes a texture of the picture's own size
// in A8R8G8B8, on the drawing layer of the device.
#include <algorithm>

#include "core/dx8/d3dx8.h"
#include "platform/picture_file.h"

namespace korva2d::dx8 {

namespace {

// The largest side a texture of this device may have.
int MaxSide(Direct3DDevice8& device) {
    vr::Drawing* drawing = device.Drawing();
    return drawing ? std::min(vr::kMaxPictureSide, drawing->MaxTextureSide()) : vr::kMaxPictureSide;
}

// The picture's pixels in A8R8G8B8. The file is checked whole before it is
// decoded; a damaged, cut or oversized one fails with its path and the reason.
vr::Surface LoadPicture(const std::string& path, int maxSide) {
    vr::Surface pixels;
    std::string reason;
    switch (vr::ReadPicture(path, pixels, reason, maxSide)) {
        case vr::PictureFault::kNone: return pixels;
        case vr::PictureFault::kTooLarge: Fail(D3DERR_NOTAVAILABLE, path + ": " + reason);
        case vr::PictureFault::kOutOfMemory: Fail(E_OUTOFMEMORY, path + ": " + reason);
        default: Fail(D3DXERR_INVALIDDATA, path + ": " + reason);
    }
}

vr::com::ComPtr<Direct3DTexture8> MakeTexture(const std::shared_ptr<Direct3DDevice8>& device, const vr::Surface& pixels) {
    if (!device) Fail(D3DERR_INVALIDCALL);
    vr::Drawing* drawing = device->Drawing();
    if (!drawing) Fail(D3DERR_DEVICELOST);
    std::unique_ptr<vr::Texture> picture = drawing->CreatePicture(pixels.pixels.data(), pixels.width, pixels.height);
    if (!picture) Fail(D3DERR_OUTOFVIDEOMEMORY);
    return vr::com::ComPtr<Direct3DTexture8>(new Direct3DTexture8(std::move(picture)));
}

}  // namespace

vr::com::ComPtr<Direct3DTexture8> D3DX8::CreateTextureFromFile(const std::shared_ptr<Direct3DDevice8>& device,
                                                               const std::string& path) {
    if (HookFails("texture")) Fail(D3DERR_OUTOFVIDEOMEMORY);
    if (!device) Fail(D3DERR_INVALIDCALL);
    vr::Surface pixels = LoadPicture(path, MaxSide(*device));
    return MakeTexture(device, pixels);
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
    vr::Surface pixels = LoadPicture(path, MaxSide(*device));
    if (colorKey != 0)
        for (uint32_t& texel : pixels.pixels)
            if (texel == colorKey) texel = 0;
    return MakeTexture(device, pixels);
}

}  // namespace korva2d::dx8
