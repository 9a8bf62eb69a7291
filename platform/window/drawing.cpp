// The drawing layer on an SDL renderer. The layer keeps track of where the
// renderer draws: every drawing names its target, and the renderer is aimed
// at it only when it is aimed elsewhere.
#include <SDL.h>

#include <cmath>

#include "window/native.h"

namespace vr {

namespace {

using N = Drawing::Native;

// True when the OpenGL of the renderer draws on the CPU (Mesa's llvmpipe,
// softpipe or swrast): SDL's own software renderer does 2D work for less.
bool OpenGlIsEmulated(SDL_Renderer* r) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(r, &info) != 0 || std::string(info.name) != "opengl") return false;
    using GetString = const unsigned char* (*)(unsigned int);
    auto glGetString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = glGetString ? glGetString(0x1F01 /* GL_RENDERER */) : nullptr;
    if (!name) return false;
    std::string renderer = reinterpret_cast<const char*>(name);
    for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (renderer.find(soft) != std::string::npos) return true;
    return false;
}

void SetDrawColor(SDL_Renderer* r, uint32_t color) {
    SDL_SetRenderDrawColor(r, (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF, color >> 24);
}

void SetModulation(SDL_Texture* t, uint32_t color) {
    SDL_SetTextureColorMod(t, (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
    SDL_SetTextureAlphaMod(t, color >> 24);
}

}  // namespace

// A graphics card's renderer where there is one, else SDL's software
// renderer. SDL_RENDER_DRIVER (a hint of SDL's own) chooses one by name.
std::shared_ptr<Drawing> Drawing::Native::ForWindow(SDL_Window* window) {
    // Queue drawing until it must be done (SDL turns batching off when a
    // renderer is chosen by name unless asked).
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    SDL_Renderer* r = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
    if (r && !(chosen && *chosen) && OpenGlIsEmulated(r)) {
        SDL_DestroyRenderer(r);
        r = nullptr;
    }
    if (!r) r = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
    if (!r) return nullptr;
    return std::shared_ptr<Drawing>(new Drawing(reinterpret_cast<RendererHandle*>(r)));
}

void Drawing::Native::Close(Drawing& d) {
    if (SDL_Renderer* r = Renderer(d)) SDL_DestroyRenderer(r);
    d.renderer_ = nullptr;
    d.presenting_ = false;
}

void Drawing::Native::BeginFrame(Drawing& d, SDL_Texture* target) {
    SDL_Renderer* r = Renderer(d);
    d.resume_ = reinterpret_cast<TextureHandle*>(SDL_GetRenderTarget(r));
    SDL_SetRenderTarget(r, target);
    d.presenting_ = true;
}

void Drawing::Native::EndFrame(Drawing& d) {
    SDL_SetRenderTarget(Renderer(d), reinterpret_cast<SDL_Texture*>(d.resume_));
    d.resume_ = nullptr;
    d.presenting_ = false;
}

Texture::~Texture() {
    SDL_Renderer* r = N::Renderer(*owner_);
    if (!r) return;  // it went with its renderer
    SDL_Texture* t = N::Of(*this);
    if (SDL_GetRenderTarget(r) == t) SDL_SetRenderTarget(r, nullptr);
    SDL_DestroyTexture(t);
}

Drawing::~Drawing() { N::Close(*this); }

std::string Drawing::RendererName() const {
    SDL_RendererInfo info{};
    if (!renderer_ || SDL_GetRendererInfo(N::Renderer(*this), &info) != 0 || !info.name) return "";
    return info.name;
}

int Drawing::MaxTextureSide() const {
    constexpr int kUnstated = 16384;  // what a renderer that states no limit is held to
    SDL_RendererInfo info{};
    if (!renderer_ || SDL_GetRendererInfo(N::Renderer(*this), &info) != 0) return kUnstated;
    int side = info.max_texture_width ? info.max_texture_width : kUnstated;
    return std::min(side, info.max_texture_height ? info.max_texture_height : kUnstated);
}

std::unique_ptr<Texture> Drawing::CreatePicture(const uint32_t* pixels, int w, int h) {
    if (!renderer_) return nullptr;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), w, h, 32, w * 4,
                                                        SDL_PIXELFORMAT_ARGB8888);
    SDL_Texture* t = s ? SDL_CreateTextureFromSurface(N::Renderer(*this), s) : nullptr;
    SDL_FreeSurface(s);
    if (!t) return nullptr;
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
    return std::unique_ptr<Texture>(new Texture(shared_from_this(), reinterpret_cast<TextureHandle*>(t), w, h));
}

std::unique_ptr<Texture> Drawing::CreateTarget(int w, int h) {
    if (!renderer_) return nullptr;
    SDL_Texture* t =
        SDL_CreateTexture(N::Renderer(*this), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
    if (!t) return nullptr;
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
    std::unique_ptr<Texture> target(new Texture(shared_from_this(), reinterpret_cast<TextureHandle*>(t), w, h));
    Clear(*target, 0xFF000000u);
    return target;
}

bool Drawing::Aim(Texture& target) {
    SDL_Renderer* r = N::Renderer(*this);
    if (!r) return false;
    SDL_Texture* t = N::Of(target);
    if (SDL_GetRenderTarget(r) != t) SDL_SetRenderTarget(r, t);
    return true;
}

void Drawing::Clear(Texture& target, uint32_t color) {
    if (!Aim(target)) return;
    SetDrawColor(N::Renderer(*this), color);
    SDL_RenderClear(N::Renderer(*this));
}

void Drawing::Fill(Texture& target, const RECT* rects, int count, uint32_t color) {
    if (!Aim(target)) return;
    SDL_Renderer* r = N::Renderer(*this);
    SetDrawColor(r, color);
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    for (int i = 0; i < count; ++i) {
        SDL_Rect rc{rects[i].left, rects[i].top, rects[i].right - rects[i].left, rects[i].bottom - rects[i].top};
        if (rc.w > 0 && rc.h > 0) SDL_RenderFillRect(r, &rc);
    }
}

void Drawing::Copy(Texture& target, const Texture& source) {
    if (Aim(target)) SDL_RenderCopy(N::Renderer(*this), N::Of(source), nullptr, nullptr);
}

bool Drawing::Draw(Texture& target, const Texture& picture, const RECT& part, const FloatRect& at, double degrees,
                   FloatPoint pivot, bool mirrorX, bool mirrorY, uint32_t color) {
    if (!Aim(target)) return true;
    SDL_Texture* t = N::Of(picture);
    SDL_Rect cut{part.left, part.top, part.right - part.left, part.bottom - part.top};
    SDL_FRect dst{at.x, at.y, at.w, at.h};
    SDL_FPoint centre{pivot.x, pivot.y};
    int flip = (mirrorX ? SDL_FLIP_HORIZONTAL : 0) | (mirrorY ? SDL_FLIP_VERTICAL : 0);
    SetModulation(t, color);
    return SDL_RenderCopyExF(N::Renderer(*this), t, &cut, &dst, degrees, &centre, SDL_RendererFlip(flip)) == 0;
}

bool Drawing::DrawText(Texture& target, const TextRaster& text, uint32_t color) {
    if (text.width <= 0 || text.height <= 0 || !Aim(target)) return true;
    if (!text.texture || text.texture->Owner() != this) {
        // White texels whose alpha is the coverage; the colour is applied at drawing.
        const size_t n = text.coverage.size();
        std::unique_ptr<uint32_t[]> texels(new uint32_t[n]);
        for (size_t i = 0; i < n; ++i) texels[i] = uint32_t(text.coverage[i]) << 24 | 0xFFFFFFu;
        text.texture = CreatePicture(texels.get(), text.width, text.height);
        if (!text.texture) return false;
    }
    SDL_Texture* t = N::Of(*text.texture);
    SetModulation(t, color);
    SDL_Rect dst{text.left, text.top, text.width, text.height};
    return SDL_RenderCopy(N::Renderer(*this), t, nullptr, &dst) == 0;
}

bool Drawing::Read(Texture& target, std::vector<uint32_t>& pixels) {
    if (!Aim(target)) return false;
    pixels.assign(size_t(target.Width()) * target.Height(), 0);
    return SDL_RenderReadPixels(N::Renderer(*this), nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(),
                                target.Width() * 4) == 0;
}

void Drawing::Show(const Texture& picture, int x, int y, int w, int h) {
    if (!presenting_ || !renderer_ || picture.Owner() != this) return;
    SDL_Rect dst{x, y, w, h};
    SDL_RenderCopy(N::Renderer(*this), N::Of(picture), nullptr, &dst);
}

}  // namespace vr
