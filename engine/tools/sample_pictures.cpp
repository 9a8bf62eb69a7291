// The library's sample pictures: the bitmap font of the default font.ini and
// the sprites of the examples and the demo, drawn procedurally.
#include "sample_pictures.h"

#include "graphics/default_font.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/runtime_error.h"
#include "platform/text_raster.h"

namespace {

using korva2d::kDefaultCell, korva2d::kDefaultPitch;
constexpr int kSheet = 256;

// Copies a rendered glyph into its cell, centred, keeping its coverage as alpha.
void PlaceGlyph(SDL_Surface* sheet, const vr::TextRaster& glyph, int cellX, int cellY) {
    int ox = cellX + (kDefaultCell - glyph.width) / 2, oy = cellY + (kDefaultCell - glyph.height) / 2;
    for (int y = 0; y < glyph.height; ++y)
        for (int x = 0; x < glyph.width; ++x) {
            int tx = ox + x, ty = oy + y;
            if (tx < cellX || ty < cellY || tx >= cellX + kDefaultCell || ty >= cellY + kDefaultCell) continue;
            uint32_t a = glyph.coverage[size_t(y) * glyph.width + x];
            static_cast<uint32_t*>(sheet->pixels)[size_t(ty) * sheet->pitch / 4 + tx] = a ? (a << 24) | 0xFFFFFF : 0;
        }
}

}  // namespace

namespace {

using Pixels = std::vector<uint32_t>;  // 0xAARRGGBB

struct Picture {
    int w, h;
    Pixels px;
    Picture(int w, int h) : w(w), h(h), px(size_t(w) * h, 0) {}
    uint32_t& At(int x, int y) { return px[size_t(y) * w + x]; }
};

uint32_t Argb(double a, double r, double g, double b) {
    auto c = [](double v) { return uint32_t(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
    return c(a) << 24 | c(r) << 16 | c(g) << 8 | c(b);
}

void Save(const Picture& p, const std::string& path) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(p.px.data()), p.w, p.h, 32, p.w * 4,
                                                        SDL_PIXELFORMAT_ARGB8888);
    bool bmp = path.size() > 4 && path.substr(path.size() - 4) == ".bmp";
    if (!s || (bmp ? SDL_SaveBMP(s, path.c_str()) : IMG_SavePNG(s, path.c_str())) != 0)
        throw vr::RuntimeError(75, "Cannot write " + path);
    SDL_FreeSurface(s);
}

// A ship seen from above, nose up: a lit hull with a cockpit, swept wings
// and a glowing engine.
Picture Ship() {
    Picture p(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            double dx = (x + 0.5 - 32) / 32, dy = (y + 0.5 - 32) / 32, ax = std::fabs(dx);
            double hullHalf = 0.04 + 0.2 * (dy + 0.9) / 1.6;
            bool hull = dy > -0.9 && dy < 0.7 && ax < hullHalf;
            bool wing = dy > -0.1 && dy < 0.55 && ax < 0.85 && dy > -0.1 + ax * 0.6;
            bool cockpit = std::hypot(dx * 2.2, dy + 0.35) < 0.22;
            double flameR = std::hypot(dx * 3.5, (dy - 0.78) * 1.4);
            if (cockpit) p.At(x, y) = Argb(1, 0.3, 0.9 - (dy + 0.35), 1);
            else if (hull) p.At(x, y) = Argb(1, 0.85 - dx * 1.5, 0.88 - dx, 0.95);
            else if (wing) p.At(x, y) = Argb(1, 0.7 - ax * 0.4, 0.25 + 0.2 * (0.55 - dy), 0.3);
            else if (flameR < 0.3) p.At(x, y) = Argb(1 - flameR / 0.3 * 0.5, 1, 0.55 + 1.4 * (0.3 - flameR), 0.15);
        }
    return p;
}

// A planet with bands, lit from the upper left, with a soft rim.
Picture Planet() {
    Picture p(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            double dx = (x + 0.5 - 64) / 60, dy = (y + 0.5 - 64) / 60, r = std::hypot(dx, dy);
            if (r > 1) continue;
            double z = std::sqrt(1 - r * r), light = std::clamp(0.25 + 0.85 * (-0.5 * dx - 0.6 * dy + 0.6 * z), 0.0, 1.0);
            double band = 0.5 + 0.5 * std::sin(dy * 9 + std::sin(dx * 3) * 1.5);
            double edge = std::clamp((1 - r) * 30, 0.0, 1.0);
            p.At(x, y) = Argb(edge, light * (0.55 + 0.35 * band), light * (0.35 + 0.25 * band), light * (0.6 - 0.2 * band));
        }
    return p;
}

// A rough grey rock.
Picture Asteroid() {
    Picture p(48, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            double dx = (x + 0.5 - 24) / 22, dy = (y + 0.5 - 24) / 22;
            double angle = std::atan2(dy, dx), r = std::hypot(dx, dy);
            double rim = 0.82 + 0.12 * std::sin(angle * 5 + 1) + 0.06 * std::sin(angle * 11);
            if (r > rim) continue;
            double crater = std::hypot(dx - 0.25, dy + 0.2) < 0.22 || std::hypot(dx + 0.35, dy - 0.3) < 0.15;
            double shade = 0.55 - 0.35 * (dx + dy) * 0.5 - (crater ? 0.18 : 0);
            p.At(x, y) = Argb(1, shade, shade * 0.95, shade * 0.9);
        }
    return p;
}

// A soft round glow, white: tinted stars and sparks.
Picture Glow() {
    Picture p(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            double r = std::hypot(x + 0.5 - 8, y + 0.5 - 8) / 8;
            if (r < 1) p.At(x, y) = Argb(std::pow(1 - r, 2), 1, 1, 1);
        }
    return p;
}

// A crosshair on magenta (the colour key of the demo's CreateTextureEx).
Picture Crosshair() {
    Picture p(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            double r = std::hypot(x + 0.5 - 16, y + 0.5 - 16);
            bool ring = std::fabs(r - 11) < 1.2, cross = (std::abs(x - 16) < 1 || std::abs(y - 16) < 1) && r > 4 && r < 15;
            p.At(x, y) = ring || cross ? Argb(1, 0.4, 1, 0.5) : 0xFFFF00FFu;
        }
    return p;
}

// A white rounded panel with a soft edge, to be tinted and stretched.
Picture Panel() {
    Picture p(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            double dx = std::max(0.0, std::fabs(x + 0.5 - 32) - 22), dy = std::max(0.0, std::fabs(y + 0.5 - 32) - 22);
            double r = std::hypot(dx, dy);
            if (r < 10) p.At(x, y) = Argb(std::clamp(10 - r, 0.0, 1.0) * (r > 8.5 ? 1.0 : 0.75), 1, 1, 1);
        }
    return p;
}

}  // namespace

namespace samples {

void WritePictures(const std::string& folder) {
    WriteFontSheet(folder + "/font.png");
    Save(Ship(), folder + "/ship.png");
    Save(Planet(), folder + "/planet.png");
    Save(Asteroid(), folder + "/asteroid.png");
    Save(Glow(), folder + "/glow.png");
    Save(Panel(), folder + "/panel.png");
    Save(Crosshair(), folder + "/crosshair.bmp");
}

void WriteFontSheet(const std::string& path) {
    const vr::TextFont font(vr::FontSpec{"Liberation Sans", 14.25, true});  // 19 pixels high
    SDL_Surface* sheet = SDL_CreateRGBSurfaceWithFormat(0, kSheet, kSheet, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!sheet) throw vr::RuntimeError(7, SDL_GetError());
    SDL_FillRect(sheet, nullptr, 0);
    SDL_LockSurface(sheet);
    for (int i = 0; i < 121; ++i) {
        char c = korva2d::kDefaultSigns[i];
        if (c == ' ') continue;
        vr::TextRaster glyph = font.Render(std::string(1, c));
        if (glyph.width == 0) throw vr::RuntimeError(5, std::string("Cannot draw the glyph ") + c);
        PlaceGlyph(sheet, glyph, (i % 11) * kDefaultPitch + 1, (i / 11) * kDefaultPitch + 1);
    }
    SDL_UnlockSurface(sheet);
    if (IMG_SavePNG(sheet, path.c_str()) != 0) throw vr::RuntimeError(75, "Cannot write " + path);
    SDL_FreeSurface(sheet);
}

}  // namespace samples
