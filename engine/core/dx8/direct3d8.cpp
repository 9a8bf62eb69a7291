#include "core/dx8/direct3d8.h"

#include <SDL.h>

#include <algorithm>

#include "core/server_counts.h"

namespace korva2d::dx8 {

// ---- textures ----

const vr::com::GUID IID_Direct3DTexture8 = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x01, 0x01}};

Direct3DTexture8::Direct3DTexture8(std::shared_ptr<vr::Presentation> owner, SDL_Texture* texture, int32_t width,
                                   int32_t height)
    : CountedObject(ServerObjectCounts(), IID_Direct3DTexture8),
      owner_(std::move(owner)),
      texture_(texture),
      width_(width),
      height_(height) {}

Direct3DTexture8::~Direct3DTexture8() {
    if (owner_ && owner_->renderer && texture_) SDL_DestroyTexture(texture_);
}

Direct3DTexture8* Direct3DTexture8::From(vr::com::IUnknown* object) {
    if (!object) return nullptr;
    void* p = nullptr;
    if (object->QueryInterface(IID_Direct3DTexture8, &p) != vr::com::S_OK || !p) return nullptr;
    auto* t = static_cast<Direct3DTexture8*>(static_cast<vr::com::IUnknown*>(p));
    t->Release();  // the caller's reference keeps it alive
    return t;
}

SDL_Texture* Direct3DTexture8::Native() const { return owner_ && owner_->renderer ? texture_ : nullptr; }

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
    presentation_ = form.GetPresentation();
    SDL_Renderer* r = presentation_->renderer;
    vr::RECT area;
    form.ClientAreaOf(window, area);
    width_ = params.BackBufferWidth ? params.BackBufferWidth : area.right - area.left;
    height_ = params.BackBufferHeight ? params.BackBufferHeight : area.bottom - area.top;
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(r, &info);
    int maxW = info.max_texture_width ? info.max_texture_width : 16384;
    int maxH = info.max_texture_height ? info.max_texture_height : 16384;
    if (width_ <= 0 || height_ <= 0 || width_ > maxW || height_ > maxH) Fail(D3DERR_NOTAVAILABLE);
    if (!params.Windowed) {
        std::string why;
        if (!form.EnterFullScreen(width_, height_, why)) Fail(D3DERR_NOTAVAILABLE);
        fullScreen_ = true;
    }
    back_ = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width_, height_);
    front_ = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width_, height_);
    if (!back_ || !front_) {
        if (back_) SDL_DestroyTexture(back_);
        if (front_) SDL_DestroyTexture(front_);
        back_ = front_ = nullptr;
        if (fullScreen_) form.LeaveFullScreen();
        Fail(D3DERR_OUTOFVIDEOMEMORY);
    }
    for (SDL_Texture* t : {back_, front_}) {
        SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE);
        SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
    }
    SDL_Texture* previous = SDL_GetRenderTarget(r);
    for (SDL_Texture* t : {front_, back_}) {
        SDL_SetRenderTarget(r, t);
        SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
        SDL_RenderClear(r);
    }
    SDL_SetRenderTarget(r, previous);
    layer_ = form.AddLayer(window, [this](SDL_Renderer* rr, int x, int y, int w, int h) { PaintFront(rr, x, y, w, h); });
}

Direct3DDevice8::~Direct3DDevice8() {
    vr::WindowOfHandle w = vr::LookupWindow(formWindow_);
    if (w.form) {
        w.form->RemoveLayer(layer_);
        if (fullScreen_) w.form->LeaveFullScreen();
    }
    if (presentation_ && presentation_->renderer) {
        SDL_Renderer* r = presentation_->renderer;
        if (SDL_GetRenderTarget(r) == back_) SDL_SetRenderTarget(r, nullptr);
        SDL_DestroyTexture(back_);
        SDL_DestroyTexture(front_);
    }
}

bool Direct3DDevice8::Lost() const { return !presentation_ || !presentation_->renderer; }

void Direct3DDevice8::PaintFront(SDL_Renderer* r, int x, int y, int w, int h) {
    if (Lost() || r != presentation_->renderer) return;
    SDL_Rect dst{x, y, w, h};
    SDL_RenderCopy(r, front_, nullptr, &dst);
}

SDL_Renderer* Direct3DDevice8::BeginDrawing() {
    if (Lost()) return nullptr;
    SDL_Renderer* r = presentation_->renderer;
    if (SDL_GetRenderTarget(r) != back_) SDL_SetRenderTarget(r, back_);
    return r;
}

void Direct3DDevice8::SetRenderState(int32_t state, int32_t value) {
    if (state < 0 || state >= 256) Fail(D3DERR_INVALIDCALL);
    renderStates_[state] = value;
}

void Direct3DDevice8::Clear(int32_t count, const D3DRECT* rects, int32_t flags, uint32_t color, float, int32_t) {
    // There is no depth or stencil buffer to clear.
    if (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) Fail(D3DERR_INVALIDCALL);
    if (count < 0 || (count > 0 && !rects)) Fail(D3DERR_INVALIDCALL);
    SDL_Renderer* r = BeginDrawing();
    if (!r || !(flags & D3DCLEAR_TARGET)) return;
    SDL_SetRenderDrawColor(r, (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF, color >> 24);
    if (count == 0) {
        SDL_RenderClear(r);
        return;
    }
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    for (int32_t i = 0; i < count; ++i) {
        SDL_Rect rc{rects[i].x1, rects[i].y1, rects[i].x2 - rects[i].x1, rects[i].y2 - rects[i].y1};
        if (rc.w > 0 && rc.h > 0) SDL_RenderFillRect(r, &rc);
    }
}

void Direct3DDevice8::Present(const vr::RECT* source, const vr::RECT* dest, int32_t windowOverride, const void*) {
    if (source || dest || windowOverride) Fail(D3DERR_INVALIDCALL);
    if (Lost()) Fail(D3DERR_DEVICELOST);
    vr::WindowOfHandle w = vr::LookupWindow(formWindow_);
    if (!w.form) Fail(D3DERR_DEVICELOST);
    SDL_Renderer* r = presentation_->renderer;
    if (swapEffect_ == D3DSWAPEFFECT_COPY) {
        SDL_SetRenderTarget(r, front_);
        SDL_RenderCopy(r, back_, nullptr, nullptr);
    } else {
        // Flip: the back buffer becomes the front, and the old front the next back buffer.
        std::swap(back_, front_);
    }
    SDL_SetRenderTarget(r, back_);
    w.form->Repaint();
}

D3DDISPLAYMODE Direct3DDevice8::GetDisplayMode() const {
    vr::WindowOfHandle w = vr::LookupWindow(formWindow_);
    int display = w.form && w.form->NativeWindow() ? SDL_GetWindowDisplayIndex(w.form->NativeWindow()) : 0;
    SDL_DisplayMode m{};
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &m) != 0) Fail(D3DERR_NOTAVAILABLE);
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
    SDL_Renderer* r = BeginDrawing();
    if (!r) return false;
    pixels.assign(size_t(width_) * height_, 0);
    return SDL_RenderReadPixels(r, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), width_ * 4) == 0;
}

}  // namespace korva2d::dx8
