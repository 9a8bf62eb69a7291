// The demo's scene: a starfield, a fading planet, an orbiting ship, tumbling
// asteroids in tints, and a waving title in the bitmap font.
#include <cmath>

#include "demo.h"

namespace demo {

using namespace korva2d::calls;

void Load(Objects& o, State& s) {
    _Engine& e = *o.engine;
    for (const char* name : {"ship", "planet", "asteroid", "glow", "panel"})
        CreateTexture(e, name, std::string(name) + ".png");
    CreateTexture(e, "font", "font.png");
    CreateTextureEx(e, o.crosshair, "crosshair.bmp", int32_t(0xFFFF00FF));  // magenta is keyed out
    CreateTextureEx(e, o.fontSheet, "font.png");
    CreateSound(e, "blip", "blip.wav");
    CreateSound(e, "laser", "laser.wav");
    CreateSound(e, "chime", "chime.wav");
    CreateFont(e, "sans", "Arial", 10);
    CreateFont(e, "serif", "Times New Roman", 11, 0, -1);
    CreateFont(e, "mono", "Courier New", 9, -1);
    CreateFont(e, "head", "Arial", 12, -1);
    _Extra& x = *o.extra;
    for (int i = 0; i < 140; ++i) {
        float depth = float(RndNum(x, 1, 100)) / 100.0f;
        s.stars.push_back({float(RndNum(x, 0, 799)), float(RndNum(x, 0, 599)), 0.3f + 2.5f * depth,
                           4 + 10 * depth * depth, int16_t(25 + 70 * depth)});
    }
    for (int i = 0; i < 5; ++i)
        s.rocks.push_back({float(RndNum(x, 0, 760)), float(RndNum(x, 60, 420)), float(RndNum(x, -15, 15)) / 10,
                           float(RndNum(x, 3, 12)) / 10, float(RndNum(x, -30, 30)) / 10, 0});
}

void UpdateScene(Objects& o, State& s, const Input&) {
    _Extra& x = *o.extra;
    s.time = float(s.frame) / 60.0f;
    for (Star& st : s.stars) {
        st.y += st.speed;
        if (st.y > 600) st.y -= 620;
    }
    // The ship flies an ellipse and faces where it goes (Pi and Rad from Extra).
    float t = s.time * 0.6f, pi = Pi(x);
    s.shipX = 368 + 180 * std::cos(t);
    s.shipY = 250 + 90 * std::sin(t * 2);
    float heading = std::atan2(180 * std::cos(t * 2) * 2 * 0.5f, -180 * std::sin(t));
    s.shipAngle = -(heading * 180 / pi - 90);
    Rect ship{int32_t(s.shipX) + 12, int32_t(s.shipY) + 12, int32_t(s.shipX) + 52, int32_t(s.shipY) + 52};
    for (Rock& r : s.rocks) {
        r.x += r.vx;
        r.y += r.vy;
        r.angle += r.spin;
        if (r.y > 620) r.y = -50, r.x = float(RndNum(x, 0, 760));
        if (r.x < -50) r.x = 800;
        if (r.x > 800) r.x = -50;
        Rect rock{int32_t(r.x) + 8, int32_t(r.y) + 8, int32_t(r.x) + 40, int32_t(r.y) + 40};
        if (s.flash == 0 && IsRectInRect(x, rock, ship)) {
            s.flash = 20;
            ++s.hits;
            SoundPlay(*o.engine, "blip", 0, 70, int32_t((s.shipX - 368) / 4), 30);
        }
    }
    if (s.flash > 0) --s.flash;
}

void DrawScene(Objects& o, State& s) {
    _Engine& e = *o.engine;
    ClearScreen(e, 6, 8, 24);
    AmbientColor(e, int16_t(170), int16_t(200), int16_t(255));
    for (const Star& st : s.stars) Draw(e, "glow", st.x, st.y, 16, 16, 0, st.alpha, 0, 0, st.size, st.size);
    // The planet breathes in size and fades in and out.
    float pulse = 0.5f + 0.5f * std::sin(s.time * 0.8f);
    AmbientColor(e);
    float size = 150 + 20 * pulse;
    Draw(e, "planet", 640 - size / 2, 170 - size / 2, 128, 128, s.time * 3, int16_t(55 + 45 * pulse), 0, 0, size,
         size);
    // Asteroids tinted by their place on the screen.
    for (const Rock& r : s.rocks) {
        AmbientColor(e, int16_t(200 + r.x / 16), int16_t(160 + r.y / 8), int16_t(140));
        Draw(e, "asteroid", r.x, r.y, 48, 48, r.angle);
    }
    // The ship: red while it flashes from a hit, its engine pulsing.
    if (s.flash > 0) AmbientColor(e, int16_t(255), int16_t(90), int16_t(90));
    else AmbientColor(e);
    float scale = 64 + 6 * std::sin(s.time * 7);
    Draw(e, "ship", s.shipX, s.shipY, 64, 64, s.shipAngle, 100, 0, 0, scale, scale);
    AmbientColor(e);
    // The title: letter by letter on a wave, in cycling colours.
    const std::string title = "KORVA2D ENGINE";
    for (size_t i = 0; i < title.size(); ++i) {
        float phase = s.time * 3 + float(i) * 0.45f;
        DrawText(e, "font", title.substr(i, 1), 230 + float(i) * 24, 18 + 6 * std::sin(phase), 1.1f,
                 8 * std::sin(phase * 0.7f), 100, 140 + 115 * std::sin(phase), 200 + 55 * std::cos(phase), 255);
    }
    Text version = Version(e).ToText();
    DrawTextEx(e, o.fontSheet, version, 400 - float(version.size()) * 5.5f, 56, 0.5f, 0, 85, 150, 190, 230);
}

}  // namespace demo
