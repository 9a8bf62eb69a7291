// The demo's panels: system fonts in each alignment, the input as the engine
// reports it, sound and music, and the keys that drive them.
#include <cstdio>

#include "demo.h"
#include "platform/user_types.h"
#include "platform/window_rect.h"

namespace demo {

using namespace korva2d::calls;

namespace {

constexpr int32_t kWhite = -1, kDim = int32_t(0xFFB0C4E0), kAccent = int32_t(0xFFFFD060), kGreen = int32_t(0xFF70F090);

// A tinted translucent panel behind a group of texts.
void Panel(_Engine& e, float x, float y, float w, float h, int r, int g, int b, int16_t alpha = 40) {
    AmbientColor(e, int16_t(r), int16_t(g), int16_t(b));
    Draw(e, "panel", x, y, 64, 64, 0, alpha, 0, 0, w, h);
    AmbientColor(e);
}

std::string Clock(int seconds) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d:%02d", seconds / 60, seconds % 60);
    return buf;
}

}  // namespace

bool Input::Held(int code) const {
    for (int k : keys)
        if (k == code) return true;
    return false;
}

bool Input::Pressed(int code) const {
    if (!Held(code)) return false;
    for (int k : previous)
        if (k == code) return false;
    return true;
}

std::string KeyName(int code) {
    static const char* const kRow1 = "1234567890";
    if (code >= 2 && code <= 11) return std::string(1, kRow1[code - 2]);
    if (code >= 0x10 && code <= 0x19) return std::string(1, "QWERTYUIOP"[code - 0x10]);
    if (code >= 0x1E && code <= 0x26) return std::string(1, "ASDFGHJKL"[code - 0x1E]);
    if (code >= 0x2C && code <= 0x32) return std::string(1, "ZXCVBNM"[code - 0x2C]);
    if (code >= 0x3B && code <= 0x44) return "F" + std::to_string(code - 0x3A);
    switch (code) {
        case 1: return "ESC";
        case 0x0C: return "-";
        case 0x0D: return "=";
        case 0x0E: return "BACKSPACE";
        case 0x0F: return "TAB";
        case 0x1C: return "ENTER";
        case 0x1D: return "LCTRL";
        case 0x2A: return "LSHIFT";
        case 0x36: return "RSHIFT";
        case 0x38: return "LALT";
        case 0x39: return "SPACE";
        case 0x4A: return "NUM-";
        case 0x4E: return "NUM+";
        case 0x57: return "F11";
        case 0x58: return "F12";
        case 0x9C: return "NUMENTER";
        case 0x9D: return "RCTRL";
        case 0xB8: return "RALT";
        case 0xC8: return "UP";
        case 0xCB: return "LEFT";
        case 0xCD: return "RIGHT";
        case 0xD0: return "DOWN";
        default: return "#" + std::to_string(code);
    }
}

void DrawPanels(Objects& o, State& s, const Input& in) {
    _Engine& e = *o.engine;
    _Extra& x = *o.extra;
    // System fonts, one box per alignment; the box under the pointer lights up.
    const std::string words = "Installed fonts, wrapped at word breaks, clipped to the box.";
    struct Box {
        const char* font;
        int32_t format;
        const char* label;
    } boxes[] = {{"sans", 0, "LEFT"}, {"serif", 1, "CENTRED"}, {"mono", 2, "RIGHT"}, {"sans", 37, "MIDDLE"}};
    for (int i = 0; i < 4; ++i) {
        int16_t bx = int16_t(14 + i * 132), by = 440, bw = 124, bh = 92;
        bool over = IsPointInRect(x, Variant(in.mouse.x), Variant(in.mouse.y), Rect{bx, by, bx + bw, by + bh});
        Panel(e, bx, by, bw, bh, over ? 255 : 90, over ? 210 : 130, over ? 120 : 255, over ? 70 : 40);
        DrawFont(e, "head", bx, int16_t(by - 18), bw, 16, boxes[i].label, kAccent, 1);
        std::string text = boxes[i].format == 37 ? std::string("Middle of the box") : words;
        DrawFont(e, boxes[i].font, int16_t(bx + 6), int16_t(by + 4), int16_t(bw - 12), int16_t(bh - 8), text, kWhite,
                 boxes[i].format);
    }
    // The input, as GetKeyState and GetMouseState report it.
    Panel(e, 560, 362, 226, 170, 90, 255, 160);
    DrawFont(e, "head", 572, 370, 200, 16, "INPUT", kAccent);
    std::string held;
    for (int k : in.keys) held += (held.empty() ? "" : " ") + KeyName(k);
    DrawFont(e, "sans", 572, 390, 204, 34, "Keys held: " + (held.empty() ? std::string("none") : held), kWhite);
    DrawFont(e, "sans", 572, 426, 204, 16,
             "Pointer: " + std::to_string(in.mouse.x) + ", " + std::to_string(in.mouse.y), kWhite);
    const char* names[] = {"LEFT", "MIDDLE", "RIGHT"};
    bool down[] = {in.mouse.left, in.mouse.middle, in.mouse.right};
    for (int b = 0; b < 3; ++b) {
        Panel(e, 572 + float(b) * 68, 446, 62, 20, down[b] ? 120 : 60, down[b] ? 255 : 80, down[b] ? 140 : 90,
              down[b] ? 90 : 50);
        DrawFont(e, "mono", int16_t(572 + b * 68), 448, 62, 16, names[b], down[b] ? kGreen : kDim, 1);
    }
    DrawFont(e, "sans", 572, 472, 204, 16, "Wheel: " + std::to_string(in.mouse.wheel), kWhite);
    DrawFont(e, "sans", 572, 490, 204, 40, "1 2 3: sounds (pan follows the pointer, pitch its height)", kDim);
    // Music and the frame.
    int position = GetCurrentPosition(*o.music), length = GetDuration(*o.music);
    std::string music = "Music " + Clock(position) + " / " + Clock(length) + "  volume " +
                        std::to_string(s.musicVolume) + (s.musicOn ? "" : "  (stopped)");
    Panel(e, 14, 540, 772, 48, 60, 90, 200, 35);
    DrawFont(e, "sans", 24, 546, 380, 16, music, kWhite);
    DrawFont(e, "sans", 24, 566, 380, 16,
             "FPS " + GetFps(x).ToText() + "   idle loops " + GetFpsTooMuch(x).ToText() + "   hits " +
                 std::to_string(s.hits) + "   runs " + std::to_string(s.runs),
             kDim);
    DrawFont(e, "sans", 404, 546, 372, 36,
             "M music on/off   +/- volume   C centre the pointer   F12 screenshot   ESC quit", kDim, 2);
    if (s.messageFrames > 0) {
        --s.messageFrames;
        DrawFont(e, "head", 0, 80, 800, 20, s.message, kGreen, 1);
    }
    // The pointer: the colour-keyed crosshair.
    DrawEx(e, o.crosshair, float(in.mouse.x) - 16, float(in.mouse.y) - 16, 32, 32);
}

void HandleKeys(Objects& o, State& s, const Input& in, vr::HWND window) {
    _Engine& e = *o.engine;
    auto say = [&](std::string text) {
        s.message = std::move(text);
        s.messageFrames = 120;
    };
    int32_t pan = (in.mouse.x - 400) / 4, pitch = 11 + (600 - in.mouse.y) / 12;  // kHz
    const char* sounds[] = {"blip", "laser", "chime"};
    for (int i = 0; i < 3; ++i)
        if (in.Pressed(2 + i)) SoundPlay(e, sounds[i], 0, 90, pan, i == 2 ? 0 : pitch);
    if (in.mouse.left && s.frame % 8 == 0) SoundPlay(e, "laser", 0, 60, pan, 44);
    if (in.Pressed(0x32)) {  // M
        s.musicOn = !s.musicOn;
        if (s.musicOn) PlayMP3(*o.music);
        else StopMP3(*o.music, -1);
    }
    if (in.Pressed(0x0D) || in.Pressed(0x4E)) s.musicVolume = std::min(100, s.musicVolume + 10);
    if (in.Pressed(0x0C) || in.Pressed(0x4A)) s.musicVolume = std::max(10, s.musicVolume - 10);
    if (in.Pressed(0x0D) || in.Pressed(0x4E) || in.Pressed(0x0C) || in.Pressed(0x4A)) {
        SetVolume(*o.music, s.musicVolume);
        INIWrite(*o.extra, "Demo", "MusicVolume", std::to_string(s.musicVolume), Variant("demo.ini"));
    }
    if (in.Pressed(0x2E)) {  // C
        vr::RECT r;
        vr::GetWindowRect(window, &r);
        SetMousePos(e, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    if (in.Pressed(0x58)) {  // F12
        SaveScreenshot(e);
        say("Screenshot saved");
    }
}

}  // namespace demo
