// Fonts' measures and lines rasterised with SDL_ttf, and the process's one
// cache of text rasters: the same texts come back every frame (the table's
// rows, the head-up texts, a paragraph of the engine's), and rasterising is
// the costly part of drawing them.
#include "platform/text_raster.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <list>
#include <unordered_map>

#include "gdi/fonts.h"
#include "platform/codepage.h"

namespace vr {

namespace {
TTF_Font* Ttf(FontHandle* f) { return reinterpret_cast<TTF_Font*>(f); }
}  // namespace

TextRaster TextRaster::Blank(int w, int h) {
    TextRaster r;
    r.width = std::max(w, 0);
    r.height = std::max(h, 0);
    r.coverage.assign(size_t(r.width) * r.height, 0);
    return r;
}

TextFont::TextFont(const FontSpec& spec)
    : font_(reinterpret_cast<FontHandle*>(GetFont(spec.face, PointsToPixels(spec.size), spec.bold, spec.italic))) {}

int TextFont::LineHeight() const { return TTF_FontHeight(Ttf(font_)); }

void TextFont::Size(const std::string& ansi, int& width, int& height) const {
    width = height = 0;
    std::string utf8 = AnsiToUtf8(ansi);
    if (!utf8.empty()) TTF_SizeUTF8(Ttf(font_), utf8.c_str(), &width, &height);
}

size_t TextFont::CharactersThatFit(const std::string& ansi, int width) const {
    std::string utf8 = AnsiToUtf8(ansi);
    int extent = 0, count = 0;
    if (TTF_MeasureUTF8(Ttf(font_), utf8.c_str(), std::max(width, 0), &extent, &count) != 0) return 0;
    return size_t(count);
}

namespace {

// The line in white glyphs whose alpha is the coverage (A8R8G8B8); null when it cannot be drawn.
SDL_Surface* RenderLine(TTF_Font* font, const std::string& ansi) {
    std::string utf8 = AnsiToUtf8(ansi);
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (!rendered || rendered->format->format == SDL_PIXELFORMAT_ARGB8888) return rendered;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    return argb;
}

// Copies the line's alpha onto the raster at (x, y) and frees the line.
void CopyCoverage(SDL_Surface* argb, TextRaster& raster, int x, int y) {
    SDL_LockSurface(argb);
    const int from = std::max(0, -x), to = std::min(argb->w, raster.width - x);
    for (int j = std::max(0, -y); j < std::min(argb->h, raster.height - y) && from < to; ++j) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + j * argb->pitch);
        uint8_t* out = &raster.coverage[size_t(y + j) * raster.width + x];
        for (int i = from; i < to; ++i) out[i] = uint8_t(row[i] >> 24);
    }
    SDL_UnlockSurface(argb);
    SDL_FreeSurface(argb);
}

}  // namespace

TextRaster TextFont::Render(const std::string& ansi) const {
    TextRaster line;
    if (SDL_Surface* argb = RenderLine(Ttf(font_), ansi)) {
        line = TextRaster::Blank(argb->w, argb->h);
        CopyCoverage(argb, line, 0, 0);
    }
    return line;
}

bool TextFont::RenderOnto(TextRaster& raster, int x, int y, const std::string& ansi) const {
    SDL_Surface* argb = RenderLine(Ttf(font_), ansi);
    if (argb) CopyCoverage(argb, raster, x, y);
    return argb != nullptr;
}

void StartTextRasterKey(std::string& key, const FontSpec& font, char kind) {
    key.assign(font.face);
    const int pixels = PointsToPixels(font.size);
    const char style = char((font.bold ? 1 : 0) | (font.italic ? 2 : 0));
    key.push_back('\0');
    key.append(reinterpret_cast<const char*>(&pixels), sizeof pixels);
    key.push_back(style);
    key.push_back(kind);
}

namespace {

// Least recently used first out, within a count and a number of pixels.
class RasterCache {
public:
    const TextRaster* Find(const std::string& key) {
        auto it = entries_.find(key);
        if (it == entries_.end()) return nullptr;
        order_.splice(order_.begin(), order_, it->second.place);
        return &it->second.raster;
    }
    const TextRaster& Keep(const std::string& key, TextRaster raster) {
        auto it = entries_.find(key);
        if (it != entries_.end()) Drop(it);
        it = entries_.emplace(key, Entry{std::move(raster), {}}).first;
        order_.push_front(&it->first);
        it->second.place = order_.begin();
        pixels_ += Pixels(it->second.raster);
        while (entries_.size() > 1 && (entries_.size() > kMaxTextRasters || pixels_ > kMaxTextRasterPixels))
            Drop(entries_.find(*order_.back()));
        return it->second.raster;
    }

private:
    struct Entry {
        TextRaster raster;
        std::list<const std::string*>::iterator place;  // in order_
    };
    static int64_t Pixels(const TextRaster& r) { return int64_t(r.width) * r.height; }
    void Drop(std::unordered_map<std::string, Entry>::iterator it) {
        pixels_ -= Pixels(it->second.raster);
        order_.erase(it->second.place);
        entries_.erase(it);
    }
    std::unordered_map<std::string, Entry> entries_;
    std::list<const std::string*> order_;  // the keys, most recently used first
    int64_t pixels_ = 0;
};

// It lives until the process ends: textures made of its rasters may outlive
// every form, and are freed only while their renderer lives.
RasterCache& Cache() {
    static auto* cache = new RasterCache();
    return *cache;
}

}  // namespace

const TextRaster* FindTextRaster(const std::string& key) { return Cache().Find(key); }

const TextRaster& KeepTextRaster(const std::string& key, TextRaster raster) {
    return Cache().Keep(key, std::move(raster));
}

}  // namespace vr
