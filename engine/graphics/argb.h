// The ARGB packing function of the library's colours.
#pragma once
#include <algorithm>
#include <cstdint>

namespace korva2d {

// One A8R8G8B8 colour from four 16-bit parts; a part outside 0..255 is held
// at the nearer end.
inline uint32_t PackArgb(int16_t a, int16_t r, int16_t g, int16_t b) {
    auto part = [](int16_t v) { return uint32_t(std::clamp<int>(v, 0, 255)); };
    return part(a) << 24 | part(r) << 16 | part(g) << 8 | part(b);
}

}  // namespace korva2d
