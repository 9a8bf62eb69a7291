// Game controllers as a pointer and keys. SDL's game-controller events (with
// hot-plugging) become the mouse and key events of the focused form, pushed
// into the one message queue, so a handler cannot tell them from the mouse's.
#include "window/gamepads.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/client_placement.h"
#include "platform/cursor.h"
#include "platform/form.h"
#include "platform/gamepad.h"
#include "platform/kernel.h"
#include "platform/user_types.h"
#include "platform_testing/synthetic_input.h"
#include "platform_testing/virtual_gamepad.h"
#include "window/client_placement.h"
#include "window/native.h"
#include "window/window_registry.h"

namespace vr {

namespace {

struct Pad {
    SDL_GameController* controller = nullptr;
    double x = 0, y = 0;  // the left stick, -1 .. 1
    bool up = false, down = false, left = false, right = false;
};

bool g_on = false;
double g_speed = kDefaultGamepadSpeed;
std::map<SDL_JoystickID, Pad> g_pads;
int64_t g_lastStepNs = -1;
double g_x = 0, g_y = 0;  // the pointer as the controllers moved it, with its fractions
bool g_placed = false;

constexpr double kDeadZone = 0.15;  // of full tilt: a stick at rest drifts less
constexpr double kDpadShare = 0.5;  // the D-pad's speed, as a share of the stick's full tilt
constexpr double kLongestStep = 0.1;  // seconds: a stall (a dialog, a slow frame) is no leap

int64_t NowNs() {
    int64_t c = 0, f = 1;
    QueryPerformanceCounter(&c);
    QueryPerformanceFrequency(&f);
    return int64_t(double(c) * 1e9 / double(f));
}

// The form the input goes to: the one with the keyboard focus, else the first shown.
Form* TargetForm() {
    SDL_Window* focus = SDL_GetKeyboardFocus();
    Form* first = nullptr;
    for (Form* f : detail::AllForms()) {
        if (!f->Shown()) continue;
        if (NativeWindow(*f) == focus) return f;
        if (!first) first = f;
    }
    return first;
}

// The pointer in the form's client pixels.
POINT ClientPointer(const Form& f) {
    POINT p;
    GetCursorPos(&p);
    ClientPlacement at = detail::ScreenPlacement(f);
    return POINT{p.x - at.x, p.y - at.y};
}

void Open(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    SDL_GameController* c = SDL_GameControllerOpen(deviceIndex);
    if (!c) return;
    SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
    if (g_pads.count(id)) {
        SDL_GameControllerClose(c);  // already open (a plug reported twice)
        return;
    }
    g_pads[id].controller = c;
}

void CloseAll() {
    for (auto& [id, pad] : g_pads) SDL_GameControllerClose(pad.controller);
    g_pads.clear();
}

// A stick's tilt past the dead zone, rescaled and squared so that small tilts aim finely.
void Tilt(double x, double y, double& vx, double& vy) {
    double m = std::hypot(x, y);
    vx = vy = 0;
    if (m <= kDeadZone) return;
    double k = std::min(1.0, (m - kDeadZone) / (1 - kDeadZone));
    vx = x / m * k * k;
    vy = y / m * k * k;
}

void Button(SDL_GameControllerButton b, bool down) {
    Form* f = TargetForm();
    if (!f) return;
    switch (b) {
        case SDL_CONTROLLER_BUTTON_A:
        case SDL_CONTROLLER_BUTTON_B: {
            POINT p = ClientPointer(*f);
            PostMouseButton(*f, b == SDL_CONTROLLER_BUTTON_A ? kLeftButton : kRightButton, down, p.x, p.y);
            break;
        }
        case SDL_CONTROLLER_BUTTON_START: PostKey(*f, 19, down); break;  // Pause
        case SDL_CONTROLLER_BUTTON_BACK: PostKey(*f, 27, down); break;   // Escape
        default: break;
    }
}

}  // namespace

void UseGamepads(bool on, double pixelsPerSecond) {
    g_speed = std::max(1.0, pixelsPerSecond);
    if (on == g_on) return;
    g_on = on;
    static bool started = false;
    if (on && !started) {
        // Controllers plugged in already are announced as plug events by the queue.
        // The subsystem stays for good: SDL would translate every event twice
        // once it had been stopped and started again.
        SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
        SDL_GameControllerEventState(SDL_ENABLE);
        started = true;
    } else if (on) {
        for (int i = 0; i < SDL_NumJoysticks(); ++i) Open(i);
    } else {
        CloseAll();
    }
}

int OpenGamepads() { return int(g_pads.size()); }

bool detail::HandleGamepadEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED:
            if (g_on) Open(e.cdevice.which);
            return true;
        case SDL_CONTROLLERDEVICEREMOVED: {
            auto it = g_pads.find(e.cdevice.which);
            if (it != g_pads.end()) {
                SDL_GameControllerClose(it->second.controller);
                g_pads.erase(it);
            }
            return true;
        }
        case SDL_CONTROLLERAXISMOTION: {
            auto it = g_pads.find(e.caxis.which);
            if (it == g_pads.end()) return true;
            double v = std::max(-1.0, e.caxis.value / 32767.0);
            if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) it->second.x = v;
            else if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) it->second.y = v;
            return true;
        }
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            auto it = g_pads.find(e.cbutton.which);
            if (it == g_pads.end()) return true;
            bool down = e.type == SDL_CONTROLLERBUTTONDOWN;
            Pad& p = it->second;
            switch (e.cbutton.button) {
                case SDL_CONTROLLER_BUTTON_DPAD_UP: p.up = down; break;
                case SDL_CONTROLLER_BUTTON_DPAD_DOWN: p.down = down; break;
                case SDL_CONTROLLER_BUTTON_DPAD_LEFT: p.left = down; break;
                case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: p.right = down; break;
                default: Button(SDL_GameControllerButton(e.cbutton.button), down); break;
            }
            return true;
        }
        default: return false;
    }
}

void detail::StepGamepadPointer() {
    double vx = 0, vy = 0;
    for (const auto& [id, p] : g_pads) {
        double sx, sy;
        Tilt(p.x, p.y, sx, sy);
        vx += sx + kDpadShare * (int(p.right) - int(p.left));
        vy += sy + kDpadShare * (int(p.down) - int(p.up));
    }
    if (vx == 0 && vy == 0) {
        // At rest the clock is not read, and the mouse may move the pointer meanwhile.
        g_placed = false;
        g_lastStepNs = -1;
        return;
    }
    // The motion is timed from the step that found the stick tilted.
    int64_t now = NowNs();
    double dt = g_lastStepNs < 0 ? 0 : std::min(kLongestStep, double(now - g_lastStepNs) / 1e9);
    g_lastStepNs = now;
    Form* f = TargetForm();
    if (!f || dt <= 0) return;
    POINT at;
    GetCursorPos(&at);
    if (!g_placed || std::lround(g_x) != at.x || std::lround(g_y) != at.y) {
        g_x = at.x;  // start from where the pointer is (the mouse moved it)
        g_y = at.y;
        g_placed = true;
    }
    vx = std::clamp(vx, -1.0, 1.0);
    vy = std::clamp(vy, -1.0, 1.0);
    RECT r;
    GetClipCursor(&r);
    g_x = std::clamp(g_x + vx * g_speed * dt, double(r.left), double(std::max(r.left, r.right - 1)));
    g_y = std::clamp(g_y + vy * g_speed * dt, double(r.top), double(std::max(r.top, r.bottom - 1)));
    POINT to{int(std::lround(g_x)), int(std::lround(g_y))};
    if (to.x == at.x && to.y == at.y) return;
    SetCursorPos(to.x, to.y);
    ClientPlacement place = detail::ScreenPlacement(*f);
    PostMouseMove(*f, to.x - place.x, to.y - place.y);
}

// ---- the virtual controller ----

namespace {
std::map<int, SDL_Joystick*> g_virtual;
int g_nextVirtual = 1;
}  // namespace

int AttachVirtualGamepad(std::string& why) {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        why = SDL_GetError();
        return -1;
    }
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Virtual controller";
    int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) {
        why = SDL_GetError();
        return -1;
    }
    SDL_Joystick* j = SDL_JoystickOpen(index);
    if (!j) {
        why = SDL_GetError();
        SDL_JoystickDetachVirtual(index);
        return -1;
    }
    int pad = g_nextVirtual++;
    g_virtual[pad] = j;
    return pad;
}

void SetVirtualGamepadAxis(int pad, PadAxis axis, int value) {
    auto it = g_virtual.find(pad);
    if (it == g_virtual.end()) return;
    SDL_JoystickSetVirtualAxis(it->second, axis == PadAxis::LeftX ? SDL_CONTROLLER_AXIS_LEFTX : SDL_CONTROLLER_AXIS_LEFTY,
                               int16_t(std::clamp(value, -32768, 32767)));
}

void SetVirtualGamepadButton(int pad, PadButton button, bool down) {
    static const SDL_GameControllerButton kButtons[] = {
        SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,         SDL_CONTROLLER_BUTTON_BACK,
        SDL_CONTROLLER_BUTTON_START,     SDL_CONTROLLER_BUTTON_DPAD_UP,   SDL_CONTROLLER_BUTTON_DPAD_DOWN,
        SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
    };
    auto it = g_virtual.find(pad);
    if (it == g_virtual.end()) return;
    SDL_JoystickSetVirtualButton(it->second, kButtons[int(button)], down ? SDL_PRESSED : SDL_RELEASED);
}

void DetachVirtualGamepad(int pad) {
    auto it = g_virtual.find(pad);
    if (it == g_virtual.end()) return;
    int instance = SDL_JoystickInstanceID(it->second);
    SDL_JoystickClose(it->second);
    g_virtual.erase(it);
    // The device's index among the joysticks now.
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickIsVirtual(i) && SDL_JoystickGetDeviceInstanceID(i) == instance) {
            SDL_JoystickDetachVirtual(i);
            return;
        }
}

}  // namespace vr
