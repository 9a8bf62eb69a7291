// Composes a typical run frame into a 302 x 502 image: about 150 masked
// 20 x 20 transfers, two 15 x 500 and one 300 x 300 opaque copy, and ten
// lines of text. Prints microseconds per frame (target: under 300).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/gdi.h"

using namespace vr;

int main() {
    Surface field(300, 500), sprite(20, 40, 0x00808080), earth(300, 279, 0x00204080), wall(15, 500, 0x00606060);
    for (int y = 20; y < 40; ++y)
        for (int x = 0; x < 20; ++x) sprite.At(x, y) = ((x + y) % 3) ? 0xFFFFFF : 0;
    FontSpec f{"Arial", 8, false};
    const int kFrames = 2000;
    std::vector<double> us;
    us.reserve(kFrames);
    for (int frame = 0; frame < kFrames; ++frame) {
        auto t0 = std::chrono::steady_clock::now();
        field.Fill(0);
        BitBlt(field, 0, 500 - 150 + frame % 150, 300, 300, earth, 0, 0, SRCCOPY);
        BitBlt(field, 0, 0, 15, 500, wall, 0, 0, SRCCOPY);
        BitBlt(field, 285, 0, 15, 500, wall, 0, 0, SRCCOPY);
        for (int i = 0; i < 150; ++i) {
            int x = (i * 37 + frame) % 300 - 10, y = (i * 53 + frame * 3) % 520 - 10;
            BitBlt(field, x, y, 20, 20, sprite, 0, 20, SRCAND);
            BitBlt(field, x, y, 20, 20, sprite, 0, 0, SRCPAINT);
        }
        if (!getenv("NOTEXT")) for (int i = 0; i < 10; ++i) TextOut(field, 10, 2 + i * 20, "01|  0040    00:35   033% | RE Rize", f, RGB(255, 255, 0));
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(us.begin(), us.end());
    double mean = 0;
    for (double v : us) mean += v;
    mean /= us.size();
    std::printf("compose_frame: %d frames, mean %.1f us, median %.1f us, p99 %.1f us per frame (target < 300 us)\n",
                kFrames, mean, us[us.size() / 2], us[us.size() * 99 / 100]);
    return 0;
}
