#include "sprites.h"

#include <cmath>

#include "canvas.h"

namespace art {

namespace {

constexpr float kPi = 3.14159265f;

// The ship, k times its 20 x 20 size, with its top-left corner at (ox, oy).
void DrawShip(Canvas& c, bool firePower, float k, float ox, float oy) {
    Rgb hull{0.55f, 0.62f, 0.75f}, dark{0.22f, 0.26f, 0.36f}, cockpit{0.3f, 0.85f, 1.0f};
    Rgb flame = firePower ? Rgb{1.0f, 0.55f, 0.1f} : Rgb{0.3f, 0.6f, 1.0f};
    auto shape = [&](std::vector<std::pair<float, float>> pts, Rgb colour) {
        for (auto& p : pts) p = {ox + k * p.first, oy + k * p.second};
        c.Polygon(pts, colour);
    };
    auto disc = [&](float x, float y, float r, Rgb colour) { c.Disc(ox + k * x, oy + k * y, k * r, colour); };
    shape({{10, 0.5f}, {13, 8}, {19.5f, 15}, {19.5f, 18}, {13, 16}, {7, 16}, {0.5f, 18}, {0.5f, 15}, {7, 8}}, dark);
    shape({{10, 1.5f}, {12.5f, 8.5f}, {18.5f, 15}, {12.5f, 14.5f}, {7.5f, 14.5f}, {1.5f, 15}, {7.5f, 8.5f}}, hull);
    if (firePower) {
        shape({{1, 15}, {4, 11}, {4, 17}}, Rgb{1.0f, 0.45f, 0.1f});
        shape({{19, 15}, {16, 11}, {16, 17}}, Rgb{1.0f, 0.45f, 0.1f});
    }
    disc(10, 8, 2.2f, cockpit);
    disc(9.4f, 7.3f, 0.8f, Rgb{0.9f, 1, 1});
    disc(8, 18, 1.4f, flame);
    disc(12, 18, 1.4f, flame);
    disc(8, 18.5f, 0.6f, Rgb{1, 1, 0.8f});
    disc(12, 18.5f, 0.6f, Rgb{1, 1, 0.8f});
}

vr::Surface Ship(bool firePower) {
    Canvas c(20, 20);
    DrawShip(c, firePower, 1, 0, 0);
    return c.ToSurface();
}

// The window's icon, 48 x 48: the ship twice its size on a rounded square of
// deep space with a few stars; black (outside the square) is left out by the mask.
vr::Surface WindowIcon() {
    constexpr int kSize = 48;
    constexpr float kRadius = 9;
    Canvas c(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float dx = std::max(std::fabs(x + 0.5f - 24) - (24 - kRadius), 0.0f);
            float dy = std::max(std::fabs(y + 0.5f - 24) - (24 - kRadius), 0.0f);
            float inside = std::clamp(kRadius - std::hypot(dx, dy) + 0.5f, 0.0f, 1.0f);
            float v = float(y) / kSize;
            c.At(x, y) = Rgb{0.06f + 0.14f * v, 0.05f + 0.03f * v, 0.2f + 0.18f * v} * inside;
        }
    c.Glow(24, 26, 20, Rgb{0.12f, 0.05f, 0.22f});
    const float stars[][3] = {{9, 10, 0.9f}, {39, 8, 0.7f}, {11, 36, 0.6f}, {40, 33, 0.9f}, {33, 42, 0.5f}};
    for (const auto& s : stars) c.Disc(s[0], s[1], 0.7f, Rgb{1, 1, 0.9f} * s[2]);
    DrawShip(c, false, 2, 4, 3);
    return c.ToSurface();
}

vr::Surface Shield() {
    Canvas c(30, 14);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 30; ++x) {
            float dx = (x + 0.5f - 15) / 15, dy = (y + 0.5f - 14) / 13.5f;
            float d = std::sqrt(dx * dx + dy * dy);
            if (d <= 1.0f && d > 0.72f) {
                float edge = 1 - std::fabs(d - 0.88f) / 0.16f;
                c.At(x, y) = Rgb{0.2f, 0.6f, 1.0f} * (0.45f + 0.55f * edge) + Rgb{0.5f, 0.8f, 1.0f} * (edge > 0.8f ? 0.4f : 0);
            }
        }
    return c.ToSurface();
}

vr::Surface EnemySaucer() {  // enemy 0: a heavy red saucer
    Canvas c(20, 20);
    c.Disc(10, 11, 9.5f, Rgb{0.35f, 0.05f, 0.05f});
    c.Disc(10, 11, 8.2f, Rgb{0.8f, 0.12f, 0.1f});
    c.Disc(10, 9.5f, 4, Rgb{1.0f, 0.65f, 0.2f});
    c.Disc(9, 8.5f, 1.5f, Rgb{1, 1, 0.7f});
    for (int i = 0; i < 6; ++i) {
        float a = i * kPi / 3;
        c.Disc(10 + 7 * std::cos(a), 11 + 7 * std::sin(a), 1, Rgb{1, 0.9f, 0.3f});
    }
    return c.ToSurface();
}

vr::Surface EnemyInsect() {  // enemy 1: a green winged fighter
    Canvas c(20, 20);
    c.Polygon({{0.5f, 2}, {8, 8}, {8, 13}, {0.5f, 16}}, Rgb{0.1f, 0.45f, 0.15f});
    c.Polygon({{19.5f, 2}, {12, 8}, {12, 13}, {19.5f, 16}}, Rgb{0.1f, 0.45f, 0.15f});
    c.Polygon({{10, 19.5f}, {14, 10}, {12, 1}, {8, 1}, {6, 10}}, Rgb{0.3f, 0.9f, 0.3f});
    c.Disc(10, 12, 2, Rgb{1, 1, 0.3f});
    c.Line(3, 4, 3, 14, Rgb{0.5f, 1, 0.5f});
    c.Line(17, 4, 17, 14, Rgb{0.5f, 1, 0.5f});
    return c.ToSurface();
}

vr::Surface EnemyDiamond() {  // enemy 2: a fast violet dart
    Canvas c(20, 20);
    c.Polygon({{10, 19.5f}, {19.5f, 6}, {10, 0.5f}, {0.5f, 6}}, Rgb{0.35f, 0.1f, 0.5f});
    c.Polygon({{10, 17}, {16.5f, 6.5f}, {10, 2.5f}, {3.5f, 6.5f}}, Rgb{0.75f, 0.3f, 1.0f});
    c.Disc(10, 8, 2.5f, Rgb{0.2f, 1, 1});
    c.Disc(10, 8, 1, Rgb{1, 1, 1});
    return c.ToSurface();
}

vr::Surface Shot(Rgb core, Rgb rim) {
    Canvas c(5, 5);
    c.Disc(2.5f, 2.5f, 2.5f, rim);
    c.Disc(2.5f, 2.5f, 1.4f, core);
    return c.ToSurface();
}

vr::Surface Explosion() {
    Canvas c(64 * 26, 64);
    Noise n(26);
    for (int f = 0; f < 26; ++f) {
        float t = f / 25.0f;
        float cx = f * 64 + 32, cy = 32;
        float r = 6 + 24 * std::sqrt(t);
        float heat = 1 - t;
        // Flying debris first, then the ball, then its hot core.
        for (int k = 0; k < 14; ++k) {
            float a = k * 2 * kPi / 14 + n.Range(-0.2f, 0.2f);
            float d = r * 1.05f + 4 * t;
            c.Disc(cx + d * std::cos(a), cy + d * std::sin(a), 1.2f * heat + 0.3f, Rgb{1, 0.7f, 0.3f} * heat);
        }
        for (int k = 0; k < 40; ++k) {
            float a = n.Range(0, 2 * kPi), d = n.Range(0, r * 0.7f);
            float pr = n.Range(3, 8) * (0.6f + 0.6f * t);
            Rgb col = t < 0.5f ? Mix(Rgb{1, 0.95f, 0.6f}, Rgb{1, 0.45f, 0.05f}, t * 2)
                               : Mix(Rgb{1, 0.45f, 0.05f}, Rgb{0.25f, 0.22f, 0.2f}, (t - 0.5f) * 2);
            c.Disc(cx + d * std::cos(a), cy + d * std::sin(a), pr, col * (0.5f + 0.5f * heat), 0.55f);
        }
        if (t < 0.6f) c.Glow(cx, cy, r * 0.8f, Rgb{1, 0.9f, 0.6f} * (1 - t / 0.6f));
    }
    // Keep every frame inside its own column.
    vr::Surface s = c.ToSurface();
    for (int f = 0; f < 26; ++f)
        for (int y = 0; y < 64; ++y) {
            s.At(f * 64, y) = 0;
            s.At(f * 64 + 63, y) = 0;
        }
    return s;
}

vr::Surface Sparks() {
    Canvas c(120, 10);
    Noise n(12);
    for (int f = 0; f < 12; ++f) {
        float t = f / 11.0f;
        float cx = f * 10 + 5, cy = 5;
        if (t < 0.5f) c.Glow(cx, cy, 4.5f * (1 - t), Rgb{1, 1, 0.7f});
        for (int k = 0; k < 6; ++k) {
            float a = k * kPi / 3 + 0.3f, d = 1 + 3.5f * t;
            c.Disc(cx + d * std::cos(a), cy + d * std::sin(a), 0.7f, Mix(Rgb{1, 1, 0.6f}, Rgb{1, 0.4f, 0.1f}, t) * (1.1f - t));
        }
    }
    vr::Surface s = c.ToSurface();
    for (int f = 0; f < 12; ++f)
        for (int y = 0; y < 10; ++y) s.At(f * 10 + 9, y) = 0;
    return s;
}

vr::Surface Smoke() {
    Canvas c(160, 20);
    Noise n(8);
    for (int f = 0; f < 8; ++f) {
        float t = f / 7.0f;
        float cx = f * 20 + 10, cy = 10 - 2 * t;
        for (int k = 0; k < 7; ++k) {
            float a = n.Range(0, 2 * kPi), d = n.Range(0, 3 + 2 * t);
            c.Disc(cx + d * std::cos(a), cy + d * std::sin(a), 2.5f + 4 * t, Rgb{0.55f, 0.55f, 0.58f} * (1 - 0.75f * t), 0.6f);
        }
    }
    vr::Surface s = c.ToSurface();
    for (int f = 0; f < 8; ++f)
        for (int y = 0; y < 20; ++y) s.At(f * 20 + 19, y) = 0;
    return s;
}

vr::Surface Capsule(Rgb body, const char* letter) {
    Canvas c(16, 16);
    c.Disc(8, 8, 7.6f, body * 0.45f);
    c.Disc(8, 8, 6.6f, body);
    c.Disc(6, 5.5f, 2.2f, Rgb{1, 1, 1}, 0.45f);
    vr::Surface s = c.ToSurface();
    vr::FontSpec f{"Arial", 7.5, true};
    int w = 0, h = 0;
    vr::MeasureText(letter, f, &w, &h);
    vr::TextOut(s, 8 - w / 2, 8 - h / 2, letter, f, vr::RGB(255, 255, 255));
    return s;
}

vr::Surface Earth() {
    Canvas c(300, 279);
    Noise n(3);
    // A planet seen from above its horizon: ocean, continents, clouds, atmosphere.
    float cx = 150, cy = 170, r = 150;
    auto land = [&](float x, float y) {
        float v = std::sin(x * 0.045f) * std::cos(y * 0.06f) + 0.6f * std::sin(x * 0.11f + y * 0.07f) +
                  0.3f * std::cos(x * 0.23f - y * 0.19f);
        return v;
    };
    for (int y = 0; y < 279; ++y)
        for (int x = 0; x < 300; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float d = std::sqrt(dx * dx + dy * dy) / r;
            if (d > 1.06f) continue;
            if (d > 1.0f) {
                c.At(x, y) = Rgb{0.2f, 0.45f, 1.0f} * ((1.06f - d) / 0.06f * 0.6f);
                continue;
            }
            float shade = std::sqrt(std::max(0.0f, 1 - d * d));
            Rgb col = land(x, y) > 0.55f ? Mix(Rgb{0.2f, 0.5f, 0.15f}, Rgb{0.55f, 0.45f, 0.25f}, std::fabs(std::sin(x * 0.3f + y * 0.2f)))
                                         : Rgb{0.05f, 0.2f, 0.55f};
            float cloud = std::sin(x * 0.08f + y * 0.02f) * std::sin(y * 0.13f - x * 0.03f);
            if (cloud > 0.55f) col = Mix(col, Rgb{0.95f, 0.95f, 1}, (cloud - 0.55f) * 2.5f);
            col = col * (0.25f + 0.75f * shade) + Rgb{0.1f, 0.2f, 0.4f} * std::pow(d, 6.0f);
            c.At(x, y) = col;
        }
    // Stars around the planet.
    for (int k = 0; k < 120; ++k) {
        int x = int(n.Range(0, 300)), y = int(n.Range(0, 279));
        float dx = x - cx, dy = y - cy;
        if (std::sqrt(dx * dx + dy * dy) > r * 1.08f) c.At(x, y) = Rgb{1, 1, 1} * n.Range(0.3f, 1);
    }
    return c.ToSurface();
}

vr::Surface Wall(bool left) {
    Canvas c(15, 500);
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 15; ++x) {
            float edge = left ? float(x) / 14 : float(14 - x) / 14;
            float band = (y % 50 < 2) ? 0.5f : 1.0f;
            float base = 0.35f + 0.35f * std::sin(edge * kPi * 0.9f + 0.3f);
            c.At(x, y) = Rgb{0.55f, 0.6f, 0.68f} * (base * band);
        }
    for (int y = 10; y < 500; y += 50) {
        c.Disc(7.5f, float(y) + 15, 1.6f, Rgb{0.85f, 0.88f, 0.92f});
        c.Disc(7.5f, float(y) + 35, 1.6f, Rgb{0.85f, 0.88f, 0.92f});
    }
    return c.ToSurface();
}

// The "click to play" picture: a framed panel over a plain lower band, on
// which the menu writes its upload hint (field y = 450, the picture's row 50).
vr::Surface MenuPrompt() {
    constexpr int kPanelRows = 46;  // rows 0 to 45; the band below stays plain
    Canvas c(168, 59);
    const Rgb band{0.03f, 0.015f, 0.08f};
    for (int y = 0; y < 59; ++y)
        for (int x = 0; x < 168; ++x) {
            bool border = x < 2 || y < 2 || x > 165 || (y >= kPanelRows - 2 && y < kPanelRows);
            if (y >= kPanelRows) c.At(x, y) = band;
            else c.At(x, y) = border ? Rgb{1, 0.8f, 0.2f} : Rgb{0.1f, 0.05f, 0.3f} * (0.6f + 0.4f * float(y) / kPanelRows);
        }
    vr::Surface s = c.ToSurface();
    vr::FontSpec big{"Arial", 16, true}, small{"Arial", 8, true};
    int w = 0, h = 0;
    vr::MeasureText("CLICK TO PLAY", big, &w, &h);
    vr::TextOut(s, 84 - w / 2 + 1, 5, "CLICK TO PLAY", big, vr::RGB(120, 40, 0));
    vr::TextOut(s, 84 - w / 2, 4, "CLICK TO PLAY", big, vr::RGB(255, 220, 60));
    vr::MeasureText("left mouse button", small, &w, &h);
    vr::TextOut(s, 84 - w / 2, 28, "left mouse button", small, vr::RGB(200, 200, 255));
    return s;
}

vr::Surface Pointer() {
    Canvas c(32, 32);
    Rgb g{0.3f, 1, 0.4f};
    for (int i = 0; i < 32; ++i) {
        float a = i * 2 * kPi / 32;
        c.Disc(16 + 9 * std::cos(a), 16 + 9 * std::sin(a), 0.8f, g);
    }
    c.Line(16, 2, 16, 11, g, 1.5f);
    c.Line(16, 21, 16, 30, g, 1.5f);
    c.Line(2, 16, 11, 16, g, 1.5f);
    c.Line(21, 16, 30, 16, g, 1.5f);
    c.Disc(16, 16, 1.2f, Rgb{1, 1, 1});
    return c.ToSurface();
}

}  // namespace

std::vector<Picture> MakeSprites() {
    std::vector<Picture> p;
    auto masked = [&](const char* name, vr::Surface frames) { p.push_back({name, SheetWithMasks(frames)}); };
    masked("PicPlayer", Ship(false));
    masked("PicPlayerF", Ship(true));
    masked("PicShield", Shield());
    masked("PicE", EnemySaucer());
    masked("PicE2", EnemyInsect());
    masked("PicE3", EnemyDiamond());
    masked("PicBullet", Shot({0.8f, 1, 1}, {0.1f, 0.7f, 1}));
    masked("BulletY", Shot({1, 1, 0.8f}, {1, 0.85f, 0.1f}));
    masked("BulletR", Shot({1, 0.8f, 0.8f}, {1, 0.1f, 0.1f}));
    masked("BulletO", Shot({1, 0.9f, 0.7f}, {1, 0.5f, 0.05f}));
    masked("BulletBL", Shot({0.8f, 0.8f, 1}, {0.3f, 0.3f, 1}));
    masked("BulletF", Shot({1, 1, 1}, {0.7f, 0.7f, 0.7f}));
    masked("PicExp", Explosion());
    masked("PicExp2", Sparks());
    masked("PicSmoke", Smoke());
    masked("PicBonusA", Capsule({0.15f, 0.45f, 1}, "S"));
    masked("PicBonusH", Capsule({0.9f, 0.1f, 0.15f}, "+"));
    masked("PicBonusF", Capsule({1, 0.5f, 0.05f}, "F"));
    masked("PicBonusF2", Capsule({0.1f, 0.7f, 0.2f}, "A"));
    p.push_back({"PicEarth", Earth()});
    p.push_back({"PicWL", Wall(true)});
    p.push_back({"PicWR", Wall(false)});
    p.push_back({"PicMenuCTP", MenuPrompt()});
    masked("Pointer", Pointer());
    masked("Icon", WindowIcon());
    return p;
}

vr::Surface MakeMenuBackdrop() {
    Canvas c(300, 500);
    Noise n(1979);
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 300; ++x) {
            float dx = x - 150.0f, dy = y - 150.0f;
            float r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
            // The vortex: spiral arms of a nebula around a bright centre.
            float arm = 0.5f + 0.5f * std::sin(3 * a + r * 0.045f);
            float fall = std::exp(-r / 110.0f);
            c.At(x, y) = Rgb{0.25f, 0.08f, 0.45f} * (arm * fall) + Rgb{0.05f, 0.25f, 0.5f} * (fall * (1 - arm) * 0.7f) +
                         Rgb{0.02f, 0.01f, 0.06f};
        }
    c.Glow(150, 150, 45, Rgb{0.9f, 0.7f, 1.0f});
    for (int k = 0; k < 400; ++k) {
        int x = int(n.Range(0, 300)), y = int(n.Range(0, 500));
        float b = n.Range(0.2f, 1);
        c.Add(x, y, Rgb{b, b, b * 1.1f});
        if (b > 0.93f) c.Glow(float(x), float(y), 3, Rgb{0.6f, 0.6f, 0.8f});
    }
    vr::Surface s = c.ToSurface();
    vr::FontSpec title{"Arial", 30, true}, sub{"Arial", 9, false};
    auto centred = [&](const char* text, int y, const vr::FontSpec& f, vr::COLORREF col, vr::COLORREF shadow) {
        int w = 0, h = 0;
        vr::MeasureText(text, f, &w, &h);
        vr::TextOut(s, 150 - w / 2 + 2, y + 2, text, f, shadow);
        vr::TextOut(s, 150 - w / 2, y, text, f, col);
    };
    centred("VORTEX", 28, title, vr::RGB(255, 210, 60), vr::RGB(90, 20, 0));
    centred("RAIDERS", 68, title, vr::RGB(255, 120, 40), vr::RGB(90, 20, 0));
    centred("defend the Earth from the vortex", 112, sub, vr::RGB(190, 190, 255), vr::RGB(0, 0, 0));
    return s;
}

}  // namespace art
