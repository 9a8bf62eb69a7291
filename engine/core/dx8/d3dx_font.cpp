// The D3DX font: Windows-1252 text laid out in a rectangle with the Windows
// text-format flags, rasterised by the platform's fonts as white glyphs that
// the draw colour tints. Laid-out paragraphs are kept in the platform's cache
// of text rasters (platform/text_raster.h), with the picture drawn of them.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "core/dx8/d3dx8.h"
#include "platform/text_raster.h"

namespace korva2d::dx8 {

namespace {

constexpr size_t kMeasureChunk = 2048;  // characters measured at a time when fitting a line

struct Line {
    std::string text;  // Windows-1252
    int width = 0;
};

int WidthOf(const vr::TextFont& font, const std::string& ansi) {
    int w = 0, h = 0;
    font.Size(ansi, w, h);
    return w;
}

// How many characters from `from` fit in `width` pixels.
size_t CharactersThatFit(const vr::TextFont& font, const std::string& ansi, size_t from, int width) {
    return font.CharactersThatFit(ansi.substr(from, kMeasureChunk), width);
}

// Lines of a text: paragraphs at line breaks, wrapped at spaces (a word wider
// than the rectangle breaks at its edge), at most maxLines of them.
std::vector<Line> LinesOf(const vr::TextFont& font, const std::string& text, int width, size_t maxLines,
                          int32_t format) {
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

// A paragraph's key: the font, then what its layout depends on, then the text.
void ParagraphKey(std::string& key, const vr::FontSpec& font, const vr::RECT& rect, int32_t format,
                  int32_t backBufferWidth, int32_t backBufferHeight, const std::string& text) {
    vr::StartTextRasterKey(key, font, 'P');
    const int32_t layout[] = {rect.left, rect.top, rect.right, rect.bottom, format, backBufferWidth, backBufferHeight};
    key.append(reinterpret_cast<const char*>(layout), sizeof layout);
    key += text;
}

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

D3DXFont::D3DXFont(std::shared_ptr<Direct3DDevice8> device, const vr::FontSpec& font)
    : device_(std::move(device)), font_(font) {}

int32_t D3DXFont::DrawText(const std::string& text, vr::RECT& rect, int32_t format, uint32_t color) {
    if (format & DT_CALCRECT) return Measure(text, rect, format);
    vr::Drawing* drawing = device_->Drawing();
    if (!drawing) return 0;  // a lost device draws nothing
    bool clip = !(format & DT_NOCLIP);
    if (text.empty() || (clip && (rect.right <= rect.left || rect.bottom <= rect.top))) return 0;
    // Kept between calls: a paragraph drawn again costs no allocation.
    static std::string key;
    ParagraphKey(key, font_, rect, format, device_->BackBufferWidth(), device_->BackBufferHeight(), text);
    const vr::TextRaster* paragraph = vr::FindTextRaster(key);
    if (!paragraph) paragraph = &vr::KeepTextRaster(key, LayOut(text, rect, format));
    if (!drawing->DrawText(device_->BackBuffer(), *paragraph, color))
        Fail(paragraph->texture ? E_FAIL : D3DERR_OUTOFVIDEOMEMORY);
    return paragraph->textHeight;
}

vr::TextRaster D3DXFont::LayOut(const std::string& text, const vr::RECT& rect, int32_t format) {
    vr::TextFont font(font_);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    int lineHeight = std::max(1, font.LineHeight());
    std::vector<Line> lines =
        LinesOf(font, text, width, LinesWanted(rect, format, lineHeight, device_->BackBufferHeight()), format);
    ++layouts_;
    int top = 0;
    if (format & DT_SINGLELINE) {
        if (format & DT_BOTTOM) top = height - lineHeight;
        else if (format & DT_VCENTER) top = (height - lineHeight) / 2;
    }
    // Only the lines' extent on the back buffer (and, when clipping, within the rectangle) is rasterised.
    bool clip = !(format & DT_NOCLIP);
    int left = width, right = 0;
    for (const Line& line : lines) {
        left = std::min(left, LineX(line, width, format));
        right = std::max(right, LineX(line, width, format) + line.width);
    }
    int textBottom = rect.top + top + int(lines.size()) * lineHeight;
    int x = std::max({clip ? rect.left : INT32_MIN, rect.left + left, 0});
    int y = std::max({clip ? rect.top : INT32_MIN, rect.top + top, 0});
    int w = std::min({clip ? rect.right : INT32_MAX, rect.left + right, device_->BackBufferWidth()}) - x;
    int h = std::min({clip ? rect.bottom : INT32_MAX, textBottom, device_->BackBufferHeight()}) - y;
    vr::TextRaster paragraph = vr::TextRaster::Blank(w > 0 && h > 0 ? w : 0, w > 0 && h > 0 ? h : 0);
    paragraph.left = x;
    paragraph.top = y;
    paragraph.textHeight = int32_t(lines.size()) * lineHeight;
    for (size_t i = 0; i < lines.size() && paragraph.width > 0; ++i) {
        const Line& line = lines[i];
        if (line.text.empty()) continue;
        int atX = rect.left + LineX(line, width, format) - x, atY = rect.top + top + int(i) * lineHeight - y;
        if (atY >= h || atY + lineHeight <= 0) continue;
        font.RenderOnto(paragraph, atX, atY, line.text);  // a line the font cannot draw (too wide) is left out
    }
    return paragraph;
}

int32_t D3DXFont::Measure(const std::string& text, vr::RECT& rect, int32_t format) const {
    if (text.empty()) {
        rect.right = rect.left;
        rect.bottom = rect.top;
        return 0;
    }
    vr::TextFont font(font_);
    int lineHeight = std::max(1, font.LineHeight());
    // Coordinates are 16-bit: lines below 32767 pixels are not counted.
    std::vector<Line> lines = LinesOf(font, text, rect.right - rect.left, size_t(INT16_MAX / lineHeight + 1), format);
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
