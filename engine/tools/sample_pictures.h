// The library's sample pictures, for its examples, tests and demo.
#pragma once
#include <string>

namespace samples {

// font.png: the bitmap font of the default font.ini (an 11 x 11 grid of
// 22 x 22 cells at a pitch of 23), white glyphs on transparent black.
void WriteFontSheet(const std::string& path);
// The font sheet and the sprites: ship.png, planet.png, asteroid.png,
// glow.png, panel.png and crosshair.bmp (on magenta, for a colour key).
void WritePictures(const std::string& folder);

}  // namespace samples
