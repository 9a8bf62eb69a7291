// The DirectInput 8 stand-in: the system keyboard and mouse as devices that
// take their state from the events entering the platform's message queue
// (watched, never taken away from the window's handlers). Events enter it
// while the program processes its messages (DoEvents, the frame limiter's
// wait), so a read answers what had arrived by then.
//
// Keys are numbered as DirectInput numbers them (1 Escape, 57 the space bar,
// ...). A device set to the foreground cooperative level delivers data only
// while its window has the input focus: on focus loss it is unacquired, a
// read fails with DIERR_INPUTLOST and Acquire fails until the focus is back.
// A window whose focus has not been reported yet counts as focused once shown
// when no other window of the program has the keyboard focus.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/dx8/dx8_errors.h"

namespace korva2d::dx8 {

inline constexpr HRESULT DIERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x80070005);
inline constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006);
inline constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000C);
inline constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001E);
inline constexpr HRESULT DIERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT DIERR_DEVICENOTREG = static_cast<HRESULT>(0x80040154);

inline constexpr int32_t DIFORMAT_KEYBOARD = 1, DIFORMAT_MOUSE = 2;
inline constexpr int32_t DISCL_EXCLUSIVE = 1, DISCL_NONEXCLUSIVE = 2, DISCL_FOREGROUND = 4, DISCL_BACKGROUND = 8;

// DirectInput's standard mouse format: movement since the last read (lZ is
// the wheel, 120 per notch) and four buttons (0x80 while down).
struct DIMOUSESTATE {
    int32_t lX = 0, lY = 0, lZ = 0;
    uint8_t Buttons[4] = {};
};

// The DirectInput key code of an SDL scancode, 0 for keys DirectInput does not number.
uint8_t KeyCodeOfScancode(int scancode);

class DirectInputDevice8 {
public:
    enum class Kind { kKeyboard, kMouse };
    explicit DirectInputDevice8(Kind kind);
    ~DirectInputDevice8();
    DirectInputDevice8(const DirectInputDevice8&) = delete;
    DirectInputDevice8& operator=(const DirectInputDevice8&) = delete;

    void SetCommonDataFormat(int32_t format);
    void SetCooperativeLevel(int32_t hWnd, int32_t flags);
    void Acquire();
    void Unacquire();
    void GetDeviceStateKeyboard(std::array<uint8_t, 256>& keys);
    void GetDeviceStateMouse(DIMOUSESTATE& state);
    // The keys that went down (`pressed`) and up (`released`) at least once
    // since the last call or acquisition, 0x80 each, as DirectInput's buffered
    // data would tell them: a tap between two reads shows in both. Fails as the
    // state read does.
    void GetKeyTransitions(std::array<uint8_t, 256>& pressed, std::array<uint8_t, 256>& released);

    // What the event watch sees; public for the watch, not for clients.
    struct State;

private:
    // The keyboard's state for a read, under its lock; fails as DirectInput
    // does when the device is not a keyboard, was lost or is not acquired.
    State& ReadableKeyboard();

    Kind kind_;
    std::unique_ptr<State> state_;
};

class DirectInput8 {
public:
    // "GUID_SysKeyboard" or "GUID_SysMouse".
    std::shared_ptr<DirectInputDevice8> CreateDevice(const std::string& guid);
};

}  // namespace korva2d::dx8
