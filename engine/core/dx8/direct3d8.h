// The Direct3D 8 stand-in on the platform's drawing layer: the Direct3D object,
// the device that draws into a platform form or picture box, image surfaces and
// textures.
//
// A device renders into a back buffer (a target texture of the back-buffer
// size). Present makes it the front buffer (flip: the old front becomes the
// next back buffer; copy: the back buffer is copied and kept) and has the
// window's form present: its boxes' images, then every device's front buffer
// stretched over the client area of the device's window. A device whose window has closed is
// lost: drawing does nothing and Present fails with D3DERR_DEVICELOST.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/dx8/dx8_errors.h"
#include "platform/com.h"
#include "platform/drawing.h"
#include "platform/user_types.h"

namespace korva2d::dx8 {

enum D3DFORMAT : int32_t {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
};
inline constexpr int32_t D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2;
inline constexpr int32_t D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
inline constexpr int32_t D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_FLIP = 2, D3DSWAPEFFECT_COPY = 3;
inline constexpr int32_t D3DRS_SRCBLEND = 19, D3DRS_DESTBLEND = 20, D3DRS_ALPHABLENDENABLE = 27;
inline constexpr int32_t D3DBLEND_SRCALPHA = 5, D3DBLEND_INVSRCALPHA = 6;
inline constexpr int32_t D3DCLEAR_TARGET = 1, D3DCLEAR_ZBUFFER = 2, D3DCLEAR_STENCIL = 4;
inline constexpr int32_t D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2;

struct D3DDISPLAYMODE {
    int32_t Width = 0, Height = 0, RefreshRate = 0;
    int32_t Format = D3DFMT_UNKNOWN;
};

struct D3DPRESENT_PARAMETERS {
    int32_t BackBufferWidth = 0, BackBufferHeight = 0;
    int32_t BackBufferFormat = D3DFMT_UNKNOWN;
    int32_t BackBufferCount = 0;
    int32_t MultiSampleType = 0;
    int32_t SwapEffect = 0;
    int32_t hDeviceWindow = 0;
    int32_t Windowed = 0;
    int32_t EnableAutoDepthStencil = 0;
    int32_t AutoDepthStencilFormat = 0;
    int32_t Flags = 0;
    int32_t FullScreen_RefreshRateInHz = 0;
    int32_t FullScreen_PresentationInterval = 0;
};

struct D3DRECT {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// A system-memory image in A8R8G8B8 (0xAARRGGBB).
class Direct3DSurface8 {
public:
    Direct3DSurface8(int32_t width, int32_t height) : width(width), height(height), pixels(size_t(width) * height) {}
    int32_t width, height;
    std::vector<uint32_t> pixels;
};

// A texture, handed to clients as a counted COM object (CreateTextureEx); a
// client that holds one keeps the library loaded.
class Direct3DTexture8 final : public vr::com::CountedObject<vr::com::IUnknown> {
public:
    explicit Direct3DTexture8(std::unique_ptr<vr::Texture> picture);
    // The texture of an object a client hands in; null when it is none.
    static Direct3DTexture8* From(vr::com::IUnknown* object);

    int32_t Width() const { return picture_->Width(); }
    int32_t Height() const { return picture_->Height(); }
    // The picture on the renderer of the device that made it.
    const vr::Texture& Picture() const { return *picture_; }

private:
    ~Direct3DTexture8() override;
    std::unique_ptr<vr::Texture> picture_;
};
// The identity clients ask a texture object for.
extern const vr::com::GUID IID_Direct3DTexture8;

class Direct3DDevice8 {
public:
    // Use Direct3D8::CreateDevice.
    Direct3DDevice8(vr::HWND window, const D3DPRESENT_PARAMETERS& params);
    ~Direct3DDevice8();
    Direct3DDevice8(const Direct3DDevice8&) = delete;
    Direct3DDevice8& operator=(const Direct3DDevice8&) = delete;

    void SetRenderState(int32_t state, int32_t value);
    // Fills the whole back buffer (count 0) or the rectangles with a colour.
    void Clear(int32_t count, const D3DRECT* rects, int32_t flags, uint32_t color, float z, int32_t stencil);
    // Shows the back buffer in the device window (no rectangles, no override).
    void Present(const vr::RECT* source, const vr::RECT* dest, int32_t windowOverride, const void* dirtyRegion);
    // The mode of the display the device window is on.
    D3DDISPLAYMODE GetDisplayMode() const;
    std::shared_ptr<Direct3DSurface8> CreateImageSurface(int32_t width, int32_t height, int32_t format);
    // Copies what the display shows into a surface of the display's size.
    void GetFrontBuffer(Direct3DSurface8& dest);

    // ---- for the stand-in's own services (textures, sprites, tests) ----
    // The drawing layer of the device's form; null when the device is lost.
    vr::Drawing* Drawing() const { return Lost() ? nullptr : drawing_.get(); }
    // What the device draws into.
    vr::Texture& BackBuffer() const { return *back_; }
    int32_t BackBufferWidth() const { return width_; }
    int32_t BackBufferHeight() const { return height_; }
    // The back buffer's pixels (0xAARRGGBB), for tests and screenshots.
    bool ReadBackBuffer(std::vector<uint32_t>& pixels);
    bool Lost() const;

private:
    std::shared_ptr<vr::Drawing> drawing_;
    vr::HWND formWindow_ = 0;
    vr::HWND window_ = 0;
    int layer_ = 0;
    bool fullScreen_ = false;
    int32_t swapEffect_;
    int32_t width_ = 0, height_ = 0;
    std::unique_ptr<vr::Texture> back_, front_;
    int32_t renderStates_[256] = {};
};

class Direct3D8 {
public:
    int32_t GetAdapterCount() const;
    // The current mode of a display adapter (0 = primary).
    D3DDISPLAYMODE GetAdapterDisplayMode(int32_t adapter) const;
    std::shared_ptr<Direct3DDevice8> CreateDevice(int32_t adapter, int32_t deviceType, int32_t focusWindow,
                                                  int32_t behaviorFlags, D3DPRESENT_PARAMETERS& params);
};

}  // namespace korva2d::dx8
