#include "core/dx8/direct3d8.h"

#include <SDL.h>

#include <algorithm>

#include "core/server_counts.h"
#include "platform/form.h"
#include "platform/message_loop.h"
#include "platform/screen_capture.h"
#include "platform/window_handles.h"

namespace korva2d::dx8 {

// ---- textures ----

const vr::com::GUID IID_Direct3DTexture8 = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x01, 0x01}};

Direct3DTexture8::Direct3DTexture8(std::unique_ptr<vr::Texture> picture)
    : CountedObject(ServerObjectCounts(), IID_Direct3DTexture8), picture_(std::move(picture)) {}

Direct3DTexture8::~Direct3DTexture8() = default;

Direct3DTexture8* Direct3DTexture8::From(vr::com::IUnknown* object) {
    if (!object) return nullptr;
    void* p = nullptr;
    if (object->QueryInterface(IID_Direct3DTexture8, &p) != vr::com::S_OK || !p) return nullptr;
    auto* t = static_cast<Direct3DTexture8*>(static_cast<vr::com::IUnknown*>(p));
    t->Release();  // the caller's reference keeps it alive
    return t;
}

// ---- the Direct3D object ----

namespace {

int32_t FormatOfPixels(uint32_t sdlFormat) {
    switch (SDL_BITSPERPIXEL(sdlFormat)) {
        case 15:
        case 16: return D3DFMT_R5G6B5;
        default: return D3DFMT_X8R8G8B8;
    }
}

bool VideoReady() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    try {
        vr::EnsureVideo();
    } catch (...) {
        // Not an error rule: the stand-in answers "no adapter" for any failure
        // to reach a display, as Direct3D counts none without one.
        return false;
    }
    return true;
}

}  // namespace

int32_t Direct3D8::GetAdapterCount() const { return VideoReady() ? std::max(0, SDL_GetNumVideoDisplays()) : 0; }

D3DDISPLAYMODE Direct3D8::GetAdapterDisplayMode(int32_t adapter) const {
    if (adapter < 0 || adapter >= GetAdapterCount()) Fail(D3DERR_INVALIDCALL);
    SDL_DisplayMode m{};
    if (SDL_GetDesktopDisplayMode(adapter, &m) != 0) Fail(D3DERR_NOTAVAILABLE);
    return D3DDISPLAYMODE{m.w, m.h, m.refresh_rate, FormatOfPixels(m.format)};
}

std::shared_ptr<Direct3DDevice8> Direct3D8::CreateDevice(int32_t adapter, int32_t deviceType, int32_t focusWindow,
                                                         int32_t, D3DPRESENT_PARAMETERS& params) {
    if (HookFails("device")) Fail(D3DERR_NOTAVAILABLE);
    if (adapter < 0 || adapter >= GetAdapterCount()) Fail(D3DERR_INVALIDCALL);
    if (deviceType != D3DDEVTYPE_HAL && deviceType != D3DDEVTYPE_REF) Fail(D3DERR_INVALIDCALL);
    if (params.BackBufferCount > 1 || params.BackBufferWidth < 0 || params.BackBufferHeight < 0)
        Fail(D3DERR_INVALIDCALL);
    if (params.SwapEffect < D3DSWAPEFFECT_DISCARD || params.SwapEffect > D3DSWAPEFFECT_COPY) Fail(D3DERR_INVALIDCALL);
    switch (params.BackBufferFormat) {
        case D3DFMT_UNKNOWN:
            if (!params.Windowed) Fail(D3DERR_INVALIDCALL);
            break;
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_R5G6B5: break;
        default: Fail(D3DERR_INVALIDCALL);
    }
    vr::HWND window = params.hDeviceWindow ? params.hDeviceWindow : focusWindow;
    return std::make_shared<Direct3DDevice8>(window, params);
}

// ---- the device ----

Direct3DDevice8::Direct3DDevice8(vr::HWND window, const D3DPRESENT_PARAMETERS& params)
    : window_(window), swapEffect_(params.SwapEffect) {
    vr::WindowOfHandle w = vr::LookupWindow(window);
    if (!w.form) Fail(D3DERR_INVALIDCALL);
    vr::Form& form = *w.form;
    try {
        if (!form.Shown()) form.Show();
    } catch (...) {
        // Not an error rule: whatever stops the window from showing reaches
        // the engine as the DirectX code a device that cannot be made gives.
        Fail(D3DERR_NOTAVAILABLE);
    }
    formWindow_ = form.hWnd();
    drawing_ = form.GetDrawing();
    vr::RECT area;
    form.ClientAreaOf(window, area);
    width_ = params.BackBufferWidth ? params.BackBufferWidth : area.right - area.left;
    height_ = params.BackBufferHeight ? params.BackBufferHeight : area.bottom - area.top;
    const int maxSide = drawing_->MaxTextureSide();
    if (width_ <= 0 || height_ <= 0 || width_ > maxSide || height_ > maxSide) Fail(D3DERR_NOTAVAILABLE);
    if (!params.Windowed) {
        std::string why;
        if (!form.EnterFullScreen(width_, height_, why)) Fail(D3DERR_NOTAVAILABLE);
        fullScreen_ = true;
    }
    back_ = drawing_->CreateTarget(width_, height_);
    front_ = drawing_->CreateTarget(width_, height_);
    if (!back_ || !front_) {
        back_.reset();
        front_.reset();
        if (fullScreen_) form.LeaveFullScreen();
        Fail(D3DERR_OUTOFVIDEOMEMORY);
    }
    layer_ = form.AddLayer(window, [this](vr::Drawing& frame, int x, int y, int w, int h) {
        if (!Lost()) frame.Show(*front_, x, y, w, h);
    });
}

Direct3DDevice8::~Direct3DDevice8() {
    vr::WindowOfHandle w = vr::LookupWindow(formWindow_);
    if (w.form) {
        w.form->RemoveLayer(layer_);
        if (fullScreen_) w.form->LeaveFullScreen();
    }
}

bool Direct3DDevice8::Lost() const { return !drawing_ || !drawing_->Alive(); }

void Direct3DDevice8::SetRenderState(int32_t state, int32_t value) {
    if (state < 0 || state >= 256) Fail(D3DERR_INVALIDCALL);
    renderStates_[state] = value;
}

void Direct3DDevice8::Clear(int32_t count, const D3DRECT* rects, int32_t flags, uint32_t color, float, int32_t) {
    // There is no depth or stencil buffer to clear.
    if (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) Fail(D3DERR_INVALIDCALL);
    if (count < 0 || (count > 0 && !rects)) Fail(D3DERR_INVALIDCALL);
    if (Lost() || !(flags & D3DCLEAR_TARGET)) return;
    if (count == 0) {
        drawing_->Clear(*back_, color);
        return;
    }
    std::vector<vr::RECT> areas;
    for (int32_t i = 0; i < count; ++i) areas.push_back(vr::RECT{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2});
    drawing_->Fill(*back_, areas.data(), count, color);
}

void Direct3DDevice8::Present(const vr::RECT* source, const vr::RECT* dest, int32_t windowOverride, const void*) {
    if (source || dest || windowOverride) Fail(D3DERR_INVALIDCALL);
    if (Lost()) Fail(D3DERR_DEVICELOST);
    vr::WindowOfHandle w = vr::LookupWindow(formWindow_);
    if (!w.form) Fail(D3DERR_DEVICELOST);
    if (swapEffect_ == D3DSWAPEFFECT_COPY) {
        drawing_->Copy(*front_, *back_);
    } else {
        // Flip: the back buffer becomes the front, and the old front the next back buffer.
        std::swap(back_, front_);
    }
    w.form->Repaint();
}

D3DDISPLAYMODE Direct3DDevice8::GetDisplayMode() const {
    vr::WindowOfHandle w = vr::LookupWindow(formWindow_);
    int display = w.form ? w.form->DisplayIndex() : 0;
    SDL_DisplayMode m{};
    if (SDL_GetCurrentDisplayMode(display, &m) != 0) Fail(D3DERR_NOTAVAILABLE);
    return D3DDISPLAYMODE{m.w, m.h, m.refresh_rate, FormatOfPixels(m.format)};
}

std::shared_ptr<Direct3DSurface8> Direct3DDevice8::CreateImageSurface(int32_t width, int32_t height, int32_t format) {
    if (width <= 0 || height <= 0 || format != D3DFMT_A8R8G8B8) Fail(D3DERR_INVALIDCALL);
    if (int64_t(width) * height > (int64_t(1) << 28)) Fail(D3DERR_OUTOFVIDEOMEMORY);
    return std::make_shared<Direct3DSurface8>(width, height);
}

void Direct3DDevice8::GetFrontBuffer(Direct3DSurface8& dest) {
    if (HookFails("capture")) Fail(D3DERR_NOTAVAILABLE);
    if (Lost()) Fail(D3DERR_DEVICELOST);
    D3DDISPLAYMODE mode = GetDisplayMode();
    if (dest.width != mode.Width || dest.height != mode.Height) Fail(D3DERR_INVALIDCALL);
    vr::Surface screen;
    std::string why;
    if (!vr::CaptureScreen(screen, why)) Fail(D3DERR_NOTAVAILABLE);
    std::fill(dest.pixels.begin(), dest.pixels.end(), 0xFF000000u);
    int w = std::min(dest.width, screen.width), h = std::min(dest.height, screen.height);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) dest.pixels[size_t(y) * dest.width + x] = 0xFF000000u | screen.At(x, y);
}

bool Direct3DDevice8::ReadBackBuffer(std::vector<uint32_t>& pixels) {
    return !Lost() && drawing_->Read(*back_, pixels);
}

}  // namespace korva2d::dx8
