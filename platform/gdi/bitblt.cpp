#include <algorithm>

#include "platform/gdi.h"

namespace vr {

bool BitBlt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, uint32_t rop) {
    if (rop != SRCCOPY && rop != SRCAND && rop != SRCPAINT) return false;
    // Clip the block to both surfaces.
    int i0 = std::max({0, -x, -sx});
    int j0 = std::max({0, -y, -sy});
    int i1 = std::min({w, dst.width - x, src.width - sx});
    int j1 = std::min({h, dst.height - y, src.height - sy});
    if (i0 >= i1 || j0 >= j1) return true;

    const Surface* from = &src;
    Surface copy;
    if (&src == &dst) {
        copy = src;
        from = &copy;
    }
    for (int j = j0; j < j1; ++j) {
        const uint32_t* s = &from->pixels[size_t(sy + j) * from->width + (sx + i0)];
        uint32_t* d = &dst.pixels[size_t(y + j) * dst.width + (x + i0)];
        int n = i1 - i0;
        switch (rop) {
            case SRCCOPY: std::copy(s, s + n, d); break;
            case SRCAND:
                for (int k = 0; k < n; ++k) d[k] &= s[k];
                break;
            default:
                for (int k = 0; k < n; ++k) d[k] |= s[k];
                break;
        }
    }
    return true;
}

}  // namespace vr
