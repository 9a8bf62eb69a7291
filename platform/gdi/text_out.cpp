#include <SDL.h>
#include <SDL_ttf.h>

#include "platform/codepage.h"
#include "platform/fonts.h"
#include "platform/gdi.h"

#include <unordered_map>
#include <vector>

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

namespace {
// Rendered lines are kept as coverage masks: the same texts come back every
// frame (the table rows, the head-up texts), and rendering is the costly part.
struct Coverage {
    int w = 0, h = 0;
    std::vector<uint8_t> alpha;
};

const Coverage* Render(TTF_Font* ttf, const std::string& utf8) {
    static std::unordered_map<std::string, Coverage> cache;
    std::string key(reinterpret_cast<const char*>(&ttf), sizeof ttf);
    key += utf8;
    auto it = cache.find(key);
    if (it != cache.end()) return &it->second;
    if (cache.size() > 1024) cache.clear();
    SDL_Color white{255, 255, 255, 255};
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(ttf, utf8.c_str(), white);
    if (!rendered) return nullptr;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (!argb) return nullptr;
    Coverage c;
    c.w = argb->w;
    c.h = argb->h;
    c.alpha.resize(size_t(c.w) * c.h);
    SDL_LockSurface(argb);
    for (int j = 0; j < c.h; ++j) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + j * argb->pitch);
        for (int i = 0; i < c.w; ++i) c.alpha[size_t(j) * c.w + i] = uint8_t(row[i] >> 24);
    }
    SDL_UnlockSurface(argb);
    SDL_FreeSurface(argb);
    return &cache.emplace(std::move(key), std::move(c)).first->second;
}
}  // namespace

void TextOut(Surface& dst, int x, int y, const std::string& ansiText, const FontSpec& font, COLORREF color) {
    TTF_Font* ttf = FontFor(font);
    std::string utf8 = AnsiToUtf8(ansiText);
    if (utf8.empty()) return;
    const Coverage* cov = Render(ttf, utf8);
    if (!cov) return;
    const int cr = GetRValue(color), cg = GetGValue(color), cb = GetBValue(color);
    for (int j = 0; j < cov->h; ++j) {
        int dy = y + j;
        if (dy < 0 || dy >= dst.height) continue;
        const uint8_t* row = &cov->alpha[size_t(j) * cov->w];
        for (int i = 0; i < cov->w; ++i) {
            int dx = x + i;
            if (dx < 0 || dx >= dst.width) continue;
            int a = row[i];
            if (a == 0) continue;
            uint32_t& d = dst.At(dx, dy);
            int r = (d >> 16) & 0xFF, g = (d >> 8) & 0xFF, b = d & 0xFF;
            r = (cr * a + r * (255 - a) + 127) / 255;
            g = (cg * a + g * (255 - a) + 127) / 255;
            b = (cb * a + b * (255 - a) + 127) / 255;
            d = (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
        }
    }
}

}  // namespace vr
