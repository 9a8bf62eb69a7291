// System fonts for text drawing: a face name matched through fontconfig
// ("Arial" is served by its metric twin Liberation Sans), opened with SDL_ttf
// at a pixel size and kept for the life of the process.
#pragma once
#include <string>

typedef struct _TTF_Font TTF_Font;

namespace vr {

// Pixel height of a font of `points` at the standard 96 dots per inch.
int PointsToPixels(double points);
// An open font for the face, pixel size and weight; throws RuntimeError when
// no font file can be found or opened.
TTF_Font* GetFont(const std::string& face, int pixelSize, bool bold, bool italic = false);
// The font file fontconfig chose for a face ("" when none).
std::string FontFileFor(const std::string& face, bool bold, bool italic = false);

}  // namespace vr
