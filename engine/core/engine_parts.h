// The parts an Engine object owns: its DirectX objects, the window settings of
// its start, the input snapshot, and its stores of sounds, textures and fonts.
#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "core/dx8/dx8.h"
#include "core/keyed_store.h"
#include "graphics/std_font.h"
#include "korva2d/korva2d.h"

namespace korva2d {

// The DirectX objects, each a counted reference: empty until a start creates
// it, released by Korva2D_Unload.
struct DeviceObjects {
    std::shared_ptr<dx8::DirectX8> DX;
    std::shared_ptr<dx8::Direct3D8> D3D;
    std::shared_ptr<dx8::Direct3DDevice8> D3DDevice;  // full start only
    std::shared_ptr<dx8::D3DX8> D3DX;                 // also the error texts of every error line
    std::shared_ptr<dx8::D3DXSprite> Sprite;          // full start only
    std::shared_ptr<dx8::DirectInput8> DI;
    std::shared_ptr<dx8::DirectInputDevice8> DIKeyboard;
    std::shared_ptr<dx8::DirectInputDevice8> DIMouse;
    std::shared_ptr<dx8::DirectSound8> DS;
    std::shared_ptr<dx8::DirectSoundEnum8> DSEnum;
};

// The window and back buffer a start was given.
struct DisplaySettings {
    int16_t WinWidth = 0, WinHeight = 0;  // the window's size for its placement
    int16_t ResWidth = 0, ResHeight = 0;  // the back buffer's size
    VBool FullScreen = 0;
    int32_t hWnd = 0;
};

// Keyboard and mouse as the last RenderAll read them, and the cursor as the
// last GetMouseState read it.
struct InputSnapshot {
    std::array<uint8_t, 256> KeyState{};  // one byte per DirectInput key code, 0x80 while down
    // Keys that went down / up at least once in the frame the last RenderAll ended.
    std::array<uint8_t, 256> Pressed{}, Released{};
    dx8::DIMOUSESTATE MouseState;
    vr::POINT CursorPos;
};

// Sound effects: one secondary buffer per key (empty when its creation failed).
struct SoundStore {
    VBool SoundAvailable = 0;  // true once a sound device was found
    KeyedStore<std::shared_ptr<dx8::DirectSoundSecondaryBuffer8>> Buffers{"Error importing sound KeyName.\r\n"};
};

// Textures by key (empty when loading failed) and the tint of Draw and DrawEx.
struct TextureStore {
    KeyedStore<vr::com::ComPtr<dx8::Direct3DTexture8>> Entries{""};
    int32_t AmbientRed = 0, AmbientGreen = 0, AmbientBlue = 0;
};

// A registered system font: the D3DX font and the description it came from.
struct FontEntry {
    std::shared_ptr<dx8::D3DXFont> Info;
    std::shared_ptr<StdFont> InfoDesc;
};

// System fonts by key, the description every CreateFont fills (made on first
// use) and the rectangle of the last DrawFont.
struct FontStore {
    KeyedStore<FontEntry> Entries{"Error importing fonts KeyName.\r\n"};
    std::shared_ptr<StdFont> FontDesc;
    vr::RECT TextRect;
};

// When the last two RenderAll calls ran (performance counter ticks; 0 before one ran).
struct FrameClock {
    int64_t LastRender = 0, PreviousRender = 0;
};

// An object a step needs: run-time error 91 ("Object variable or With block
// variable not set") when it is empty, as a call on Nothing raises.
template <class T>
T& Need(const std::shared_ptr<T>& object) {
    if (!object) throw vr::RuntimeError(91);
    return *object;
}

}  // namespace korva2d
