#include <SDL.h>
#include <SDL_ttf.h>

#include "platform/codepage.h"
#include "platform/fonts.h"
#include "platform/gdi.h"

namespace vr {

namespace {
TTF_Font* FontFor(const FontSpec& f) { return GetFont(f.face, PointsToPixels(f.size), f.bold, f.italic); }
}  // namespace

void MeasureText(const std::string& ansiText, const FontSpec& font, int* width, int* height) {
    int w = 0, h = 0;
    TTF_Font* ttf = FontFor(font);
    std::string utf8 = AnsiToUtf8(ansiText);
    if (!utf8.empty()) TTF_SizeUTF8(ttf, utf8.c_str(), &w, &h);
    else h = TTF_FontHeight(ttf);
    if (width) *width = w;
    if (height) *height = h;
}

void TextOut(Surface& dst, int x, int y, const std::string& ansiText, const FontSpec& font, COLORREF color) {
    TTF_Font* ttf = FontFor(font);
    std::string utf8 = AnsiToUtf8(ansiText);
    if (utf8.empty()) return;
    SDL_Color white{255, 255, 255, 255};
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(ttf, utf8.c_str(), white);
    if (!rendered) return;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (!argb) return;
    const int cr = GetRValue(color), cg = GetGValue(color), cb = GetBValue(color);
    SDL_LockSurface(argb);
    for (int j = 0; j < argb->h; ++j) {
        int dy = y + j;
        if (dy < 0 || dy >= dst.height) continue;
        const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + j * argb->pitch);
        for (int i = 0; i < argb->w; ++i) {
            int dx = x + i;
            if (dx < 0 || dx >= dst.width) continue;
            uint32_t a = row[i] >> 24;
            if (a == 0) continue;
            uint32_t& d = dst.At(dx, dy);
            int r = (d >> 16) & 0xFF, g = (d >> 8) & 0xFF, b = d & 0xFF;
            r = (cr * int(a) + r * int(255 - a) + 127) / 255;
            g = (cg * int(a) + g * int(255 - a) + 127) / 255;
            b = (cb * int(a) + b * int(255 - a) + 127) / 255;
            d = (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
        }
    }
    SDL_UnlockSurface(argb);
    SDL_FreeSurface(argb);
}

}  // namespace vr
