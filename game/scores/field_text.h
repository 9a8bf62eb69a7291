// One line of text on the play field, and the minutes:seconds format.
#pragma once
#include <string>

#include "platform/variant.h"

namespace game {

// Draws text (+ five spaces) at (x, y) of Field with the size and weight
// given, in the field's text colour; a highlighted line that begins with
// HighlightPlace as two digits is drawn in the highlight colour. The colour
// is restored afterwards; the size and weight stay.
void PrintFieldText(const vr::Variant& text, const vr::Variant& x, const vr::Variant& y, int16_t size, bool bold,
                    bool highlight);
// "mm:ss" with at least two digits each (95 gives 01:35, 6000 gives 100:00).
std::string FormatTime(int16_t seconds);

inline constexpr uint32_t kHighlightColour = 12640511;  // red 255, green 224, blue 192

}  // namespace game
