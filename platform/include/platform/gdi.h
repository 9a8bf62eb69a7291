// In-memory drawing: 32-bit surfaces, block transfers with raster operations,
// one line of text, picture files. Pure memory work; nothing here touches a
// display.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vr {

// A Windows colour value: 0x00BBGGRR.
using COLORREF = uint32_t;
constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return c & 0xFF; }
constexpr int GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }

// Surface pixels are 0x00RRGGBB.
constexpr uint32_t PixelFromColorref(COLORREF c) {
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | uint32_t(GetBValue(c));
}
constexpr uint32_t PixelRGB(int r, int g, int b) { return PixelFromColorref(RGB(r, g, b)); }

struct Surface {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    Surface() = default;
    Surface(int w, int h, uint32_t fill = 0) { Reset(w, h, fill); }
    void Reset(int w, int h, uint32_t fill = 0) {
        width = w > 0 ? w : 0;
        height = h > 0 ? h : 0;
        pixels.assign(size_t(width) * size_t(height), fill);
    }
    bool Empty() const { return width == 0 || height == 0; }
    uint32_t& At(int x, int y) { return pixels[size_t(y) * width + x]; }
    uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
    void Fill(uint32_t pixel) { std::fill(pixels.begin(), pixels.end(), pixel); }
};

// Raster operations of BitBlt.
enum RasterOp : uint32_t {
    SRCCOPY = 0x00CC0020,   // destination = source
    SRCAND = 0x008800C6,    // destination = source AND destination
    SRCPAINT = 0x00EE0086,  // destination = source OR destination
};

// Transfers a w x h block from (sx, sy) of src to (x, y) of dst. Only the part
// inside both the source and the destination is transferred; the rest of the
// destination stays as it was. src may be dst (overlap is handled).
// Returns false for an unknown raster operation.
bool BitBlt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, uint32_t rop);

struct FontSpec {
    std::string face = "Arial";
    double size = 8.25;  // points
    bool bold = false;
    bool italic = false;
};

// Draws one line of Windows-1252 text with its cell's top-left corner at
// (x, y), transparent background. Throws RuntimeError when no font is found.
void TextOut(Surface& dst, int x, int y, const std::string& ansiText, const FontSpec& font, COLORREF color);
// Width and height in pixels of a line of text in a font.
void MeasureText(const std::string& ansiText, const FontSpec& font, int* width, int* height);

// Loads a JPEG, PNG, BMP or TGA file (path with "\" or "/"), checked before it
// is decoded (platform/picture_file.h). Throws RuntimeError 53 "File not found"
// when missing and 481 "Invalid picture: path: reason" when it is not a regular
// file, damaged, cut short or over 16384 pixels a side.
Surface LoadPictureFile(const std::string& path);
// Writes a surface as PNG or BMP (by the extension); false on failure.
bool SaveSurface(const Surface& surface, const std::string& path);
enum class PictureFormat { kBmp, kPng };
// Writes a surface in the given format whatever the name; false on failure.
bool SaveSurface(const Surface& surface, const std::string& path, PictureFormat format);

}  // namespace vr
