#include "core/dx8/direct_input8.h"

#include <SDL.h>

#include <cmath>

#include "platform/form.h"
#include "platform/window_handles.h"

namespace korva2d::dx8 {

// ---- key codes ----

namespace {

struct KeyPair {
    SDL_Scancode scancode;
    uint8_t code;
};

const KeyPair kKeyCodes[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},       {SDL_SCANCODE_1, 0x02},
    {SDL_SCANCODE_2, 0x03},            {SDL_SCANCODE_3, 0x04},
    {SDL_SCANCODE_4, 0x05},            {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07},            {SDL_SCANCODE_7, 0x08},
    {SDL_SCANCODE_8, 0x09},            {SDL_SCANCODE_9, 0x0A},
    {SDL_SCANCODE_0, 0x0B},            {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D},       {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},          {SDL_SCANCODE_Q, 0x10},
    {SDL_SCANCODE_W, 0x11},            {SDL_SCANCODE_E, 0x12},
    {SDL_SCANCODE_R, 0x13},            {SDL_SCANCODE_T, 0x14},
    {SDL_SCANCODE_Y, 0x15},            {SDL_SCANCODE_U, 0x16},
    {SDL_SCANCODE_I, 0x17},            {SDL_SCANCODE_O, 0x18},
    {SDL_SCANCODE_P, 0x19},            {SDL_SCANCODE_LEFTBRACKET, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B}, {SDL_SCANCODE_RETURN, 0x1C},
    {SDL_SCANCODE_LCTRL, 0x1D},        {SDL_SCANCODE_A, 0x1E},
    {SDL_SCANCODE_S, 0x1F},            {SDL_SCANCODE_D, 0x20},
    {SDL_SCANCODE_F, 0x21},            {SDL_SCANCODE_G, 0x22},
    {SDL_SCANCODE_H, 0x23},            {SDL_SCANCODE_J, 0x24},
    {SDL_SCANCODE_K, 0x25},            {SDL_SCANCODE_L, 0x26},
    {SDL_SCANCODE_SEMICOLON, 0x27},    {SDL_SCANCODE_APOSTROPHE, 0x28},
    {SDL_SCANCODE_GRAVE, 0x29},        {SDL_SCANCODE_LSHIFT, 0x2A},
    {SDL_SCANCODE_BACKSLASH, 0x2B},    {SDL_SCANCODE_Z, 0x2C},
    {SDL_SCANCODE_X, 0x2D},            {SDL_SCANCODE_C, 0x2E},
    {SDL_SCANCODE_V, 0x2F},            {SDL_SCANCODE_B, 0x30},
    {SDL_SCANCODE_N, 0x31},            {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33},        {SDL_SCANCODE_PERIOD, 0x34},
    {SDL_SCANCODE_SLASH, 0x35},        {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37},  {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39},        {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F1, 0x3B},           {SDL_SCANCODE_F2, 0x3C},
    {SDL_SCANCODE_F3, 0x3D},           {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F},           {SDL_SCANCODE_F6, 0x40},
    {SDL_SCANCODE_F7, 0x41},           {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43},           {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45}, {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47},         {SDL_SCANCODE_KP_8, 0x48},
    {SDL_SCANCODE_KP_9, 0x49},         {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B},         {SDL_SCANCODE_KP_5, 0x4C},
    {SDL_SCANCODE_KP_6, 0x4D},         {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F},         {SDL_SCANCODE_KP_2, 0x50},
    {SDL_SCANCODE_KP_3, 0x51},         {SDL_SCANCODE_KP_0, 0x52},
    {SDL_SCANCODE_KP_PERIOD, 0x53},    {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    {SDL_SCANCODE_F11, 0x57},          {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_F13, 0x64},          {SDL_SCANCODE_F14, 0x65},
    {SDL_SCANCODE_F15, 0x66},          {SDL_SCANCODE_INTERNATIONAL2, 0x70},
    {SDL_SCANCODE_INTERNATIONAL1, 0x73}, {SDL_SCANCODE_INTERNATIONAL4, 0x79},
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B}, {SDL_SCANCODE_INTERNATIONAL3, 0x7D},
    {SDL_SCANCODE_KP_EQUALS, 0x8D},    {SDL_SCANCODE_AUDIOPREV, 0x90},
    {SDL_SCANCODE_AUDIONEXT, 0x99},    {SDL_SCANCODE_KP_ENTER, 0x9C},
    {SDL_SCANCODE_RCTRL, 0x9D},        {SDL_SCANCODE_MUTE, 0xA0},
    {SDL_SCANCODE_CALCULATOR, 0xA1},   {SDL_SCANCODE_AUDIOPLAY, 0xA2},
    {SDL_SCANCODE_AUDIOSTOP, 0xA4},    {SDL_SCANCODE_VOLUMEDOWN, 0xAE},
    {SDL_SCANCODE_VOLUMEUP, 0xB0},     {SDL_SCANCODE_AC_HOME, 0xB2},
    {SDL_SCANCODE_KP_COMMA, 0xB3},     {SDL_SCANCODE_KP_DIVIDE, 0xB5},
    {SDL_SCANCODE_PRINTSCREEN, 0xB7},  {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_PAUSE, 0xC5},        {SDL_SCANCODE_HOME, 0xC7},
    {SDL_SCANCODE_UP, 0xC8},           {SDL_SCANCODE_PAGEUP, 0xC9},
    {SDL_SCANCODE_LEFT, 0xCB},         {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF},          {SDL_SCANCODE_DOWN, 0xD0},
    {SDL_SCANCODE_PAGEDOWN, 0xD1},     {SDL_SCANCODE_INSERT, 0xD2},
    {SDL_SCANCODE_DELETE, 0xD3},       {SDL_SCANCODE_LGUI, 0xDB},
    {SDL_SCANCODE_RGUI, 0xDC},         {SDL_SCANCODE_APPLICATION, 0xDD},
    {SDL_SCANCODE_POWER, 0xDE},        {SDL_SCANCODE_SLEEP, 0xDF},
    {SDL_SCANCODE_AC_SEARCH, 0xE5},    {SDL_SCANCODE_AC_BOOKMARKS, 0xE6},
    {SDL_SCANCODE_AC_REFRESH, 0xE7},   {SDL_SCANCODE_AC_STOP, 0xE8},
    {SDL_SCANCODE_AC_FORWARD, 0xE9},   {SDL_SCANCODE_AC_BACK, 0xEA},
    {SDL_SCANCODE_COMPUTER, 0xEB},     {SDL_SCANCODE_MAIL, 0xEC},
    {SDL_SCANCODE_MEDIASELECT, 0xED},
};

}  // namespace

uint8_t KeyCodeOfScancode(int scancode) {
    static const auto table = [] {
        std::array<uint8_t, SDL_NUM_SCANCODES> t{};
        for (const KeyPair& p : kKeyCodes) t[size_t(p.scancode)] = p.code;
        return t;
    }();
    return scancode >= 0 && scancode < SDL_NUM_SCANCODES ? table[size_t(scancode)] : 0;
}

// ---- devices ----

struct DirectInputDevice8::State {
    std::mutex lock;
    int32_t format = 0, flags = 0;
    uint32_t windowId = 0;
    bool acquired = false;
    bool lost = false;       // unacquired by a focus loss: the next read says so
    int focus = -1;          // -1 not reported yet, 0 lost, 1 gained
    std::array<bool, 256> keys{};
    std::array<bool, 256> wentDown{}, wentUp{};  // since the last transitions read
    bool buttons[4] = {};
    double dx = 0, dy = 0, notches = 0;  // movement since the last read
};

namespace {

// Whether the device's window has the input focus now (caller holds the lock).
bool HasFocus(const DirectInputDevice8::State& s) {
    if (s.focus >= 0) return s.focus == 1;
    SDL_Window* w = SDL_GetWindowFromID(s.windowId);
    if (!w || !(SDL_GetWindowFlags(w) & SDL_WINDOW_SHOWN)) return false;
    SDL_Window* focused = SDL_GetKeyboardFocus();
    return !focused || focused == w;
}

void LoseFocus(DirectInputDevice8::State& s) {
    s.keys.fill(false);
    for (bool& b : s.buttons) b = false;
    if (s.acquired && (s.flags & DISCL_FOREGROUND)) {
        s.acquired = false;
        s.lost = true;
    }
}

int SDLCALL Watch(void* data, SDL_Event* e) {
    auto& s = *static_cast<DirectInputDevice8::State*>(data);
    std::lock_guard<std::mutex> hold(s.lock);
    if (!s.windowId) return 0;
    switch (e->type) {
        case SDL_WINDOWEVENT:
            if (e->window.windowID != s.windowId) break;
            if (e->window.event == SDL_WINDOWEVENT_FOCUS_GAINED) s.focus = 1;
            if (e->window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                s.focus = 0;
                LoseFocus(s);
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (e->key.windowID == s.windowId)
                if (uint8_t code = KeyCodeOfScancode(e->key.keysym.scancode)) {
                    bool down = e->type == SDL_KEYDOWN;
                    // A change of state, not a repeat, is a transition.
                    if (down != s.keys[code]) (down ? s.wentDown : s.wentUp)[code] = true;
                    s.keys[code] = down;
                }
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (e->button.windowID != s.windowId) break;
            int b = e->button.button == SDL_BUTTON_LEFT     ? 0
                    : e->button.button == SDL_BUTTON_RIGHT  ? 1
                    : e->button.button == SDL_BUTTON_MIDDLE ? 2
                    : e->button.button == SDL_BUTTON_X1     ? 3
                                                            : -1;
            if (b >= 0) s.buttons[b] = e->type == SDL_MOUSEBUTTONDOWN;
            break;
        }
        case SDL_MOUSEMOTION:
            if (e->motion.windowID != s.windowId) break;
            s.dx += e->motion.xrel;
            s.dy += e->motion.yrel;
            break;
        case SDL_MOUSEWHEEL: {
            if (e->wheel.windowID != s.windowId) break;
            double y = e->wheel.preciseY != 0 ? e->wheel.preciseY : e->wheel.y;
            s.notches += e->wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -y : y;
            break;
        }
        default: break;
    }
    return 0;
}

}  // namespace

DirectInputDevice8::DirectInputDevice8(Kind kind) : kind_(kind), state_(std::make_unique<State>()) {
    SDL_AddEventWatch(Watch, state_.get());
}

DirectInputDevice8::~DirectInputDevice8() { SDL_DelEventWatch(Watch, state_.get()); }

void DirectInputDevice8::SetCommonDataFormat(int32_t format) {
    if (format != (kind_ == Kind::kKeyboard ? DIFORMAT_KEYBOARD : DIFORMAT_MOUSE)) Fail(DIERR_INVALIDPARAM);
    std::lock_guard<std::mutex> hold(state_->lock);
    state_->format = format;
}

void DirectInputDevice8::SetCooperativeLevel(int32_t hWnd, int32_t flags) {
    bool exclusive = flags & DISCL_EXCLUSIVE, shared = flags & DISCL_NONEXCLUSIVE;
    bool foreground = flags & DISCL_FOREGROUND, background = flags & DISCL_BACKGROUND;
    if (exclusive == shared || foreground == background) Fail(DIERR_INVALIDPARAM);
    // A picture box's input is its form's.
    vr::WindowOfHandle w = vr::LookupWindow(hWnd);
    if (!w.form) Fail(E_HANDLE);
    std::lock_guard<std::mutex> hold(state_->lock);
    state_->flags = flags;
    state_->windowId = w.form->NativeWindowId();  // 0 while the form is not shown: Acquire then fails
}

void DirectInputDevice8::Acquire() {
    if (HookFails("acquire")) Fail(DIERR_OTHERAPPHASPRIO);
    std::lock_guard<std::mutex> hold(state_->lock);
    State& s = *state_;
    if (!s.format || !s.flags) Fail(DIERR_INVALIDPARAM);
    if (!s.windowId) Fail(E_HANDLE);
    if (s.acquired) return;
    if ((s.flags & DISCL_FOREGROUND) && !HasFocus(s)) Fail(DIERR_OTHERAPPHASPRIO);
    s.acquired = true;
    s.lost = false;
    s.dx = s.dy = s.notches = 0;
    s.wentDown.fill(false);
    s.wentUp.fill(false);
}

void DirectInputDevice8::Unacquire() {
    std::lock_guard<std::mutex> hold(state_->lock);
    state_->acquired = false;
}

DirectInputDevice8::State& DirectInputDevice8::ReadableKeyboard() {
    State& s = *state_;
    if (kind_ != Kind::kKeyboard || s.format != DIFORMAT_KEYBOARD) Fail(DIERR_INVALIDPARAM);
    if (s.lost) {
        s.lost = false;
        Fail(DIERR_INPUTLOST);
    }
    if (!s.acquired) Fail(DIERR_NOTACQUIRED);
    return s;
}

void DirectInputDevice8::GetDeviceStateKeyboard(std::array<uint8_t, 256>& keys) {
    std::lock_guard<std::mutex> hold(state_->lock);
    State& s = ReadableKeyboard();
    for (size_t i = 0; i < 256; ++i) keys[i] = s.keys[i] ? 0x80 : 0;
}

void DirectInputDevice8::GetKeyTransitions(std::array<uint8_t, 256>& pressed, std::array<uint8_t, 256>& released) {
    std::lock_guard<std::mutex> hold(state_->lock);
    State& s = ReadableKeyboard();
    for (size_t i = 0; i < 256; ++i) {
        pressed[i] = s.wentDown[i] ? 0x80 : 0;
        released[i] = s.wentUp[i] ? 0x80 : 0;
    }
    s.wentDown.fill(false);
    s.wentUp.fill(false);
}

void DirectInputDevice8::GetDeviceStateMouse(DIMOUSESTATE& state) {
    std::lock_guard<std::mutex> hold(state_->lock);
    State& s = *state_;
    if (kind_ != Kind::kMouse || s.format != DIFORMAT_MOUSE) Fail(DIERR_INVALIDPARAM);
    if (s.lost) {
        s.lost = false;
        Fail(DIERR_INPUTLOST);
    }
    if (!s.acquired) Fail(DIERR_NOTACQUIRED);
    // Whole units are delivered; what is left of a unit waits for the next read.
    auto take = [](double& amount) {
        double whole = std::trunc(amount);
        amount -= whole;
        return int32_t(whole);
    };
    state.lX = take(s.dx);
    state.lY = take(s.dy);
    double wheel = s.notches * 120;  // DirectInput counts 120 to a notch
    state.lZ = take(wheel);
    s.notches = wheel / 120;
    for (int i = 0; i < 4; ++i) state.Buttons[i] = s.buttons[i] ? 0x80 : 0;
}

std::shared_ptr<DirectInputDevice8> DirectInput8::CreateDevice(const std::string& guid) {
    if (guid == "GUID_SysKeyboard") {
        if (HookFails("keyboard")) Fail(DIERR_DEVICENOTREG);
        return std::make_shared<DirectInputDevice8>(DirectInputDevice8::Kind::kKeyboard);
    }
    if (guid == "GUID_SysMouse") {
        if (HookFails("mouse")) Fail(DIERR_DEVICENOTREG);
        return std::make_shared<DirectInputDevice8>(DirectInputDevice8::Kind::kMouse);
    }
    Fail(DIERR_DEVICENOTREG);
}

}  // namespace korva2d::dx8
