// The D3DX font: Windows-1252 text laid out in a rectangle with the Windows
// text-format flags, rasterised with SDL_ttf into a texture of white glyphs
// that the draw colour tints. Laid-out paragraphs are kept, least recently
// used first out, within a budget of entries and of pixels.
#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <list>
#include <unordered_map>

#include "core/dx8/d3dx8.h"
#include "platform/codepage.h"
#include "platform/fonts.h"

namespace korva2d::dx8 {

namespace {

constexpr size_t kMaxEntries = 64;
constexpr int64_t kMaxPixels = 8 * 1024 * 1024;  // 32 MB of texels at most
constexpr size_t kMeasureChunk = 2048;           // characters measured at a time when fitting a line

struct Line {
    std::string text;  // Windows-1252
    int width = 0;
};

int WidthOf(TTF_Font* font, const std::string& ansi) {
    int w = 0, h = 0;
    std::string utf8 = vr::AnsiToUtf8(ansi);
    if (!utf8.empty()) TTF_SizeUTF8(font, utf8.c_str(), &w, &h);
    return w;
}

// How many characters from `from` fit in `width` pixels.
size_t CharactersThatFit(TTF_Font* font, const std::string& ansi, size_t from, int width) {
    std::string part = ansi.substr(from, kMeasureChunk);
    std::string utf8 = vr::AnsiToUtf8(part);
    int extent = 0, count = 0;
    if (TTF_MeasureUTF8(font, utf8.c_str(), std::max(width, 0), &extent, &count) != 0) return 0;
    return size_t(count);
}

// Lines of a text: paragraphs at line breaks, wrapped at spaces (a word wider
// than the rectangle breaks at its edge), at most maxLines of them.
std::vector<Line> LayOut(TTF_Font* font, const std::string& text, int width, size_t maxLines, int32_t format) {
    std::vector<Line> lines;
    if (format & DT_SINGLELINE) {
        std::string one;
        for (char c : text)
            if (c != '\r' && c != '\n') one += c == '\t' ? ' ' : c;
        lines.push_back({one, WidthOf(font, one)});
        return lines;
    }
    size_t start = 0;
    while (start <= text.size() && lines.size() < maxLines) {
        size_t end = text.find_first_of("\r\n", start);
        std::string para = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        for (char& c : para)
            if (c == '\t') c = ' ';
        size_t pos = 0;
        do {
            size_t fit = CharactersThatFit(font, para, pos, width);
            size_t rest = para.size() - pos;
            std::string piece;
            if (fit >= rest) {
                piece = para.substr(pos);
                pos = para.size();
            } else {
                size_t space = para.rfind(' ', pos + fit);
                if (space != std::string::npos && space > pos) {
                    piece = para.substr(pos, space - pos);
                    pos = para.find_first_not_of(' ', space);
                    if (pos == std::string::npos) pos = para.size();
                } else {
                    size_t take = std::max<size_t>(fit, 1);
                    piece = para.substr(pos, take);
                    pos += take;
                }
            }
            lines.push_back({piece, WidthOf(font, piece)});
        } while (pos < para.size() && lines.size() < maxLines);
        if (end == std::string::npos) break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

struct Key {
    std::string text;
    vr::RECT rect;
    int32_t format;
    bool operator==(const Key& o) const {
        return text == o.text && rect.left == o.rect.left && rect.top == o.rect.top && rect.right == o.rect.right &&
               rect.bottom == o.rect.bottom && format == o.format;
    }
};
struct KeyHash {
    size_t operator()(const Key& k) const {
        size_t h = std::hash<std::string>()(k.text);
        for (int32_t v : {k.rect.left, k.rect.top, k.rect.right, k.rect.bottom, k.format}) h = h * 1000003u ^ size_t(v);
        return h;
    }
};

// How many lines a drawing needs: those the rectangle shows, or without
// clipping those down to the back buffer's bottom.
size_t LinesWanted(const vr::RECT& rect, int32_t format, int lineHeight, int backBufferHeight) {
    int64_t below = (format & DT_NOCLIP) ? int64_t(backBufferHeight) - rect.top : int64_t(rect.bottom) - rect.top;
    return size_t(std::max<int64_t>(1, (below + lineHeight - 1) / lineHeight));
}

int LineX(const Line& line, int width, int32_t format) {
    return (format & DT_CENTER) ? (width - line.width) / 2 : (format & DT_RIGHT) ? width - line.width : 0;
}

}  // namespace

// One laid-out paragraph: its texture covers `area` (the visible part of the rectangle).
struct Paragraph {
    SDL_Texture* texture = nullptr;
    SDL_Rect area{};
    int32_t height = 0;
};

struct D3DXFont::Cache {
    std::shared_ptr<vr::Presentation> owner;
    std::list<std::pair<Key, Paragraph>> entries;  // most recently used first
    std::unordered_map<Key, std::list<std::pair<Key, Paragraph>>::iterator, KeyHash> index;
    int64_t pixels = 0;

    void Drop(std::list<std::pair<Key, Paragraph>>::iterator it) {
        if (it->second.texture && owner && owner->renderer) SDL_DestroyTexture(it->second.texture);
        pixels -= int64_t(it->second.area.w) * it->second.area.h;
        index.erase(it->first);
        entries.erase(it);
    }
    void Clear() {
        while (!entries.empty()) Drop(std::prev(entries.end()));
    }
};

D3DXFont::D3DXFont(std::shared_ptr<Direct3DDevice8> device, const vr::FontSpec& font)
    : device_(std::move(device)), font_(font), cache_(std::make_unique<Cache>()) {
    cache_->owner = device_->Presentation();
}

D3DXFont::~D3DXFont() { cache_->Clear(); }

int32_t D3DXFont::DrawText(const std::string& text, vr::RECT& rect, int32_t format, uint32_t color) {
    if (format & DT_CALCRECT) return Measure(text, rect, format);
    SDL_Renderer* r = device_->BeginDrawing();
    if (!r) return 0;  // a lost device draws nothing
    bool clip = !(format & DT_NOCLIP);
    if (text.empty() || (clip && (rect.right <= rect.left || rect.bottom <= rect.top))) return 0;
    Key key{text, rect, format};
    auto found = cache_->index.find(key);
    Paragraph paragraph;
    if (found != cache_->index.end()) {
        cache_->entries.splice(cache_->entries.begin(), cache_->entries, found->second);
        paragraph = found->second->second;
    } else {
        TTF_Font* font = vr::GetFont(font_.face, vr::PointsToPixels(font_.size), font_.bold, font_.italic);
        int width = rect.right - rect.left, height = rect.bottom - rect.top;
        int lineHeight = std::max(1, TTF_FontHeight(font));
        std::vector<Line> lines =
            LayOut(font, text, width, LinesWanted(rect, format, lineHeight, device_->BackBufferHeight()), format);
        ++layouts_;
        int top = 0;
        if (format & DT_SINGLELINE) {
            if (format & DT_BOTTOM) top = height - lineHeight;
            else if (format & DT_VCENTER) top = (height - lineHeight) / 2;
        }
        // Only the lines' extent on the back buffer (and, when clipping, within the rectangle) is rasterised.
        int left = width, right = 0;
        for (const Line& line : lines) {
            left = std::min(left, LineX(line, width, format));
            right = std::max(right, LineX(line, width, format) + line.width);
        }
        int textBottom = rect.top + top + int(lines.size()) * lineHeight;
        SDL_Rect visible{std::max({clip ? rect.left : INT32_MIN, rect.left + left, 0}),
                         std::max({clip ? rect.top : INT32_MIN, rect.top + top, 0}), 0, 0};
        visible.w = std::min({clip ? rect.right : INT32_MAX, rect.left + right, device_->BackBufferWidth()}) - visible.x;
        visible.h = std::min({clip ? rect.bottom : INT32_MAX, textBottom, device_->BackBufferHeight()}) - visible.y;
        paragraph.area = visible;
        paragraph.height = int32_t(lines.size()) * lineHeight;
        if (visible.w > 0 && visible.h > 0) {
            SDL_Surface* canvas = SDL_CreateRGBSurfaceWithFormat(0, visible.w, visible.h, 32, SDL_PIXELFORMAT_ARGB8888);
            if (!canvas) Fail(E_OUTOFMEMORY);
            SDL_FillRect(canvas, nullptr, 0);
            for (size_t i = 0; i < lines.size(); ++i) {
                const Line& line = lines[i];
                if (line.text.empty()) continue;
                int y = top + int(i) * lineHeight;
                SDL_Rect at{rect.left + LineX(line, width, format) - visible.x, rect.top + y - visible.y, 0, 0};
                if (at.y >= visible.h || at.y + lineHeight <= 0) continue;
                std::string utf8 = vr::AnsiToUtf8(line.text);
                SDL_Surface* glyphs = TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
                if (!glyphs) continue;  // a line SDL_ttf cannot draw (too wide) is left out
                SDL_SetSurfaceBlendMode(glyphs, SDL_BLENDMODE_NONE);
                SDL_BlitSurface(glyphs, nullptr, canvas, &at);
                SDL_FreeSurface(glyphs);
            }
            paragraph.texture = SDL_CreateTextureFromSurface(r, canvas);
            SDL_FreeSurface(canvas);
            if (!paragraph.texture) Fail(D3DERR_OUTOFVIDEOMEMORY);
            SDL_SetTextureBlendMode(paragraph.texture, SDL_BLENDMODE_BLEND);
        }
        cache_->entries.emplace_front(key, paragraph);
        cache_->index[key] = cache_->entries.begin();
        cache_->pixels += int64_t(visible.w > 0 ? visible.w : 0) * (visible.h > 0 ? visible.h : 0);
        while (cache_->entries.size() > 1 &&
               (cache_->entries.size() > kMaxEntries || cache_->pixels > kMaxPixels))
            cache_->Drop(std::prev(cache_->entries.end()));
    }
    if (paragraph.texture) {
        SDL_SetTextureColorMod(paragraph.texture, (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
        SDL_SetTextureAlphaMod(paragraph.texture, color >> 24);
        if (SDL_RenderCopy(r, paragraph.texture, nullptr, &paragraph.area) != 0) Fail(E_FAIL);
    }
    return paragraph.height;
}

int32_t D3DXFont::Measure(const std::string& text, vr::RECT& rect, int32_t format) const {
    if (text.empty()) {
        rect.right = rect.left;
        rect.bottom = rect.top;
        return 0;
    }
    TTF_Font* font = vr::GetFont(font_.face, vr::PointsToPixels(font_.size), font_.bold, font_.italic);
    int lineHeight = std::max(1, TTF_FontHeight(font));
    // Coordinates are 16-bit: lines below 32767 pixels are not counted.
    std::vector<Line> lines = LayOut(font, text, rect.right - rect.left, size_t(INT16_MAX / lineHeight + 1), format);
    int widest = 0;
    for (const Line& line : lines) widest = std::max(widest, line.width);
    int32_t height = int32_t(lines.size()) * lineHeight;
    rect.right = rect.left + widest;
    rect.bottom = rect.top + height;
    return height;
}

std::shared_ptr<D3DXFont> D3DX8::CreateFont(const std::shared_ptr<Direct3DDevice8>& device, const vr::FontSpec& font) {
    if (!device) Fail(D3DERR_INVALIDCALL);
    if (font.size <= 0) Fail(D3DERR_INVALIDCALL);
    return std::make_shared<D3DXFont>(device, font);
}

}  // namespace korva2d::dx8
