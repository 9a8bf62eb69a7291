// korva2d-demo: one window in which every member of the library is at work.
// The scene (stars, planet, ships, asteroids, the title) and the panels
// (system fonts, input, sound and music) share the objects and the frame's
// input here.
#pragma once
#include <string>
#include <vector>

#include "korva2d/korva2d_calls.h"
#include "platform/user_types.h"

namespace demo {

using namespace korva2d;

struct Objects {
    vr::com::ComPtr<_Engine> engine;
    vr::com::ComPtr<_Extra> extra;
    vr::com::ComPtr<_MP3Player> music;
    TextureObject crosshair = nullptr;  // CreateTextureEx: the colour-keyed pointer
    TextureObject fontSheet = nullptr;  // CreateTextureEx: the bitmap font for DrawTextEx
};

// What the frame read from the library's input.
struct Input {
    calls::MouseValues mouse;
    std::vector<int> keys;  // DirectInput codes held
    bool Held(int code) const;
    bool Pressed(int code) const;  // down now, up at the previous frame
    std::vector<int> previous;
};

struct Star {
    float x, y, speed, size;
    int16_t alpha;
};
struct Rock {
    float x, y, vx, vy, spin, angle;
};

struct State {
    int frame = 0;
    float time = 0;  // seconds at 60 frames per second
    std::vector<Star> stars;
    std::vector<Rock> rocks;
    float shipX = 400, shipY = 300, shipAngle = 0;
    int hits = 0, flash = 0;
    int32_t musicVolume = 80;
    bool musicOn = true;
    std::string message;  // shown for a while at the bottom
    int messageFrames = 0;
    int runs = 0;
};

void Load(Objects& o, State& s);
void UpdateScene(Objects& o, State& s, const Input& in);
void DrawScene(Objects& o, State& s);
void DrawPanels(Objects& o, State& s, const Input& in);
void HandleKeys(Objects& o, State& s, const Input& in, vr::HWND window);
// The name of a DirectInput key code ("SPACE", "A", "F12", ...).
std::string KeyName(int code);

}  // namespace demo
