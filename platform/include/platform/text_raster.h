// Text as pictures: a system font's measures, lines of text rasterised as
// coverage, and the one cache of rasters that every text drawing of the
// process keeps (the GDI's TextOut and the engine's fonts alike).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi.h"

namespace vr {

class Texture;  // platform/drawing.h

// White text as coverage, 0 (none) to 255 (full) per pixel, row by row; the
// colour is applied where it is drawn.
struct TextRaster {
    int width = 0, height = 0;
    std::vector<uint8_t> coverage;
    int left = 0, top = 0;  // where it goes, for text laid out at a place
    int textHeight = 0;     // the height of the lines it shows
    // What a drawing layer made of it (platform/drawing.h); it goes with the raster.
    mutable std::shared_ptr<Texture> texture;

    // A raster of w x h without coverage.
    static TextRaster Blank(int w, int h);
};

struct FontHandle;  // an open font of the platform

// A system font for a font description: the face matched through fontconfig
// ("Arial" is served by its metric twin Liberation Sans) at the size in points
// at 96 dots per inch, opened once for the life of the process. Texts are
// Windows-1252.
class TextFont {
public:
    // Throws RuntimeError when no font file can be found or opened.
    explicit TextFont(const FontSpec& spec);
    // The height of a line in pixels.
    int LineHeight() const;
    // The width and height in pixels of a line of text (0, 0 for an empty one).
    void Size(const std::string& ansi, int& width, int& height) const;
    // How many characters from the start of `ansi` fit in `width` pixels.
    size_t CharactersThatFit(const std::string& ansi, int width) const;
    // One line of text, as high as a line; empty when it cannot be drawn (too wide).
    TextRaster Render(const std::string& ansi) const;
    // Rasterises one line of text onto `raster` with its top-left corner at
    // (x, y), replacing the coverage under the line; what falls outside is cut
    // off. False when the line cannot be drawn (too wide).
    bool RenderOnto(TextRaster& raster, int x, int y, const std::string& ansi) const;

private:
    FontHandle* font_;
};

// The cache of rasters, keyed by what they show: the font (StartTextRasterKey)
// and the text, and for laid-out text the layout. Once it holds more than
// kMaxTextRasters rasters or kMaxTextRasterPixels pixels, the least recently
// used go first.
inline constexpr size_t kMaxTextRasters = 1024;
inline constexpr int64_t kMaxTextRasterPixels = int64_t(8) << 20;
// Sets `key` to the part of a key that names the font and the kind of
// raster (a letter: 'L' a line, 'P' a laid-out paragraph, ...).
void StartTextRasterKey(std::string& key, const FontSpec& font, char kind);
// The raster kept under `key`, now the most recently used; null when none is.
const TextRaster* FindTextRaster(const std::string& key);
// Keeps `raster` under `key` (over one kept there) and answers the kept raster;
// it stays valid until the next call of KeepTextRaster.
const TextRaster& KeepTextRaster(const std::string& key, TextRaster raster);

}  // namespace vr
