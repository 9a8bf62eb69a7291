#include <algorithm>

#include "platform/gdi.h"
#include "platform/text_raster.h"

namespace vr {

void MeasureText(const std::string& ansiText, const FontSpec& font, int* width, int* height) {
    TextFont f(font);
    int w = 0, h = 0;
    f.Size(ansiText, w, h);
    if (ansiText.empty()) h = f.LineHeight();
    if (width) *width = w;
    if (height) *height = h;
}

void TextOut(Surface& dst, int x, int y, const std::string& ansiText, const FontSpec& font, COLORREF color) {
    if (ansiText.empty()) {
        TextFont{font};  // the font must exist all the same
        return;
    }
    // The key is kept between calls so that a line drawn again costs no allocation.
    static std::string key;
    StartTextRasterKey(key, font, 'L');
    key += ansiText;
    const TextRaster* cov = FindTextRaster(key);
    if (!cov) cov = &KeepTextRaster(key, TextFont(font).Render(ansiText));
    const int cr = GetRValue(color), cg = GetGValue(color), cb = GetBValue(color);
    const int i0 = std::max(0, -x), i1 = std::min(cov->width, dst.width - x);
    for (int j = std::max(0, -y); j < std::min(cov->height, dst.height - y); ++j) {
        const uint8_t* row = &cov->coverage[size_t(j) * cov->width];
        for (int i = i0; i < i1; ++i) {
            int a = row[i];
            if (a == 0) continue;
            uint32_t& d = dst.At(x + i, y + j);
            int r = (d >> 16) & 0xFF, g = (d >> 8) & 0xFF, b = d & 0xFF;
            r = (cr * a + r * (255 - a) + 127) / 255;
            g = (cg * a + g * (255 - a) + 127) / 255;
            b = (cb * a + b * (255 - a) + 127) / 255;
            d = (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
        }
    }
}

}  // namespace vr
