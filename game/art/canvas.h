// Drawing helpers for the procedural art: float colours painted into the
// platform's 32-bit surfaces, shapes with soft edges, and a repeatable noise.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/gdi.h"

namespace art {

struct Rgb {
    float r = 0, g = 0, b = 0;
};
inline Rgb operator*(Rgb c, float k) { return {c.r * k, c.g * k, c.b * k}; }
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a * (1 - t) + b * t; }

// A repeatable generator for the art (the program's own, independent of the game's).
class Noise {
public:
    explicit Noise(uint32_t seed) : s_(seed ? seed : 1) {}
    float Next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return float(s_ & 0xFFFFFF) / 16777216.0f;
    }
    float Range(float a, float b) { return a + (b - a) * Next(); }

private:
    uint32_t s_;
};

// A float canvas that is converted to a surface at the end.
class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h), px_(size_t(w) * h) {}
    int W() const { return w_; }
    int H() const { return h_; }
    Rgb& At(int x, int y) { return px_[size_t(y) * w_ + x]; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }
    void Blend(int x, int y, Rgb c, float a) {
        if (!Inside(x, y) || a <= 0) return;
        a = std::min(a, 1.0f);
        At(x, y) = Mix(At(x, y), c, a);
    }
    void Add(int x, int y, Rgb c) {
        if (Inside(x, y)) At(x, y) = At(x, y) + c;
    }
    // A filled circle with a one-pixel soft edge.
    void Disc(float cx, float cy, float r, Rgb c, float alpha = 1) {
        for (int y = int(cy - r - 1); y <= int(cy + r + 1); ++y)
            for (int x = int(cx - r - 1); x <= int(cx + r + 1); ++x) {
                float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
                Blend(x, y, c, alpha * std::clamp(r - d + 0.5f, 0.0f, 1.0f));
            }
    }
    // Additive glow falling off with distance.
    void Glow(float cx, float cy, float r, Rgb c) {
        for (int y = int(cy - r); y <= int(cy + r); ++y)
            for (int x = int(cx - r); x <= int(cx + r); ++x) {
                float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / r;
                if (d < 1) Add(x, y, c * ((1 - d) * (1 - d)));
            }
    }
    // A filled polygon (even-odd), sampled at pixel centres with 4x4 coverage.
    void Polygon(const std::vector<std::pair<float, float>>& pts, Rgb c, float alpha = 1) {
        float minx = 1e9, maxx = -1e9, miny = 1e9, maxy = -1e9;
        for (auto& p : pts) {
            minx = std::min(minx, p.first), maxx = std::max(maxx, p.first);
            miny = std::min(miny, p.second), maxy = std::max(maxy, p.second);
        }
        for (int y = int(miny) - 1; y <= int(maxy) + 1; ++y)
            for (int x = int(minx) - 1; x <= int(maxx) + 1; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) hits += InPolygon(pts, x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4);
                Blend(x, y, c, alpha * hits / 16.0f);
            }
    }
    void Line(float x0, float y0, float x1, float y1, Rgb c, float width = 1) {
        float len = std::hypot(x1 - x0, y1 - y0);
        int steps = int(len * 3) + 1;
        for (int i = 0; i <= steps; ++i) {
            float t = float(i) / steps;
            Disc(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, width / 2, c, 0.6f);
        }
    }
    // The canvas as surface pixels; tiny values are cut to pure black so
    // the sprite's mask sees them as background.
    vr::Surface ToSurface() const {
        vr::Surface s(w_, h_);
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) {
                const Rgb& c = px_[size_t(y) * w_ + x];
                auto q = [](float v) { return std::clamp(int(std::lround(v * 255)), 0, 255); };
                s.At(x, y) = vr::PixelRGB(q(c.r), q(c.g), q(c.b));
            }
        return s;
    }

private:
    static bool InPolygon(const std::vector<std::pair<float, float>>& p, float x, float y) {
        bool in = false;
        for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
            if ((p[i].second > y) != (p[j].second > y) &&
                x < (p[j].first - p[i].first) * (y - p[i].second) / (p[j].second - p[i].second) + p[i].first)
                in = !in;
        }
        return in;
    }
    int w_, h_;
    std::vector<Rgb> px_;
};

// A sprite sheet in the game's layout: the frames on top (over black), and
// below them their masks, black where a frame pixel is not black, white elsewhere.
inline vr::Surface SheetWithMasks(const vr::Surface& frames) {
    vr::Surface sheet(frames.width, frames.height * 2, 0);
    for (int y = 0; y < frames.height; ++y)
        for (int x = 0; x < frames.width; ++x) {
            uint32_t p = frames.At(x, y);
            sheet.At(x, y) = p;
            sheet.At(x, y + frames.height) = p ? 0 : 0xFFFFFF;
        }
    return sheet;
}

}  // namespace art
