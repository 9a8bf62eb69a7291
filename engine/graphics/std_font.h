// The system's standard font object: a face name, a size in points, bold and
// italic, and the GDI font description those make.
#pragma once
#include <string>

#include "platform/gdi.h"

namespace korva2d {

struct StdFont {
    std::string Name = "MS Sans Serif";
    double Size = 8.25;
    bool Bold = false;
    bool Italic = false;
    // The font handle's description.
    vr::FontSpec hFont() const { return vr::FontSpec{Name, Size, Bold, Italic}; }
};

}  // namespace korva2d
