// The default bitmap font: the character of each of its 121 cells, and the
// grid they lie on (shared by font.ini's defaults and the sample font sheet).
#pragma once

namespace korva2d {

// The characters by grid row of eleven cells (Windows-1252 bytes; cell k is
// kDefaultSigns[k]).
inline constexpr char kDefaultSigns[] =
    " 0123456789"
    "ABCDEFGHIJK"
    "LMNOPQRSTUV"
    "WXYZ       "
    "abcdefghijk"
    "lmnopqrstuv"
    "wxyz       "
    ".,:;'\"-+\\/*"
    "=()[]<>_!?#"
    "&$\x80%\xA9@     "
    "           ";
// Cells of 22 x 22 texels at a pitch of 23, one texel in from the sheet's edge.
inline constexpr int kDefaultCell = 22, kDefaultPitch = 23, kDefaultGrid = 11;

}  // namespace korva2d
