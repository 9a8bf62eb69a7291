// The bitmap font of DrawText and DrawTextEx: the character each of the 121
// cells of a font sheet shows, where each cell lies on the sheet and the cells'
// size, read from font.ini in AppPath or written there as the default 11 x 11 grid.
#pragma once
#include <array>
#include <cstdint>

#include "korva2d/korva2d.h"

namespace korva2d {

class BitmapFont {
public:
    // Reads AppPath\font.ini, or writes the default table there when it is
    // missing. A damaged file raises an error naming the file and the fault.
    void LoadFontIni();
    // The cell showing a character, compared without surrounding spaces; 0 when none does.
    int16_t GetLetterIndex(const Text& character) const;

    std::array<Text, 121> Signs;
    std::array<LetterSpecs, 121> LetterPos{};
    int16_t LetterWidth = 0, LetterHeight = 0;
};

}  // namespace korva2d
