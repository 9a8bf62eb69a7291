// Keyboard and mouse through DirectInput: the devices, the snapshot taken at
// each RenderAll, and the members that answer from it.
#include "core/engine_object.h"
#include "core/library_values.h"
#include "extra/mod_extra.h"
#include "platform/cursor.h"
#include "platform/user_types.h"
#include "platform/vbtypes.h"
#include "platform/window_rect.h"

namespace korva2d {

namespace {
constexpr int32_t kForegroundShared = dx8::DISCL_NONEXCLUSIVE | dx8::DISCL_FOREGROUND;
}  // namespace

void EngineObject::Initilize_DxInput() {
    LogAndGoOn("Error in Initilize_DxInput()", [&] {
        dx_.DI = Need(dx_.DX).DirectInputCreate();
        dx_.DIKeyboard = dx_.DI->CreateDevice("GUID_SysKeyboard");
        dx_.DIKeyboard->SetCommonDataFormat(dx8::DIFORMAT_KEYBOARD);
        dx_.DIKeyboard->SetCooperativeLevel(display_.hWnd, kForegroundShared);
        dx_.DIKeyboard->Acquire();
        dx_.DIMouse = dx_.DI->CreateDevice("GUID_SysMouse");
        dx_.DIMouse->SetCommonDataFormat(dx8::DIFORMAT_MOUSE);
        dx_.DIMouse->SetCooperativeLevel(display_.hWnd, kForegroundShared);
        dx_.DIMouse->Acquire();
    });
}

void EngineObject::PollInput() {
    vr::Steps read(vr::OnError::kResumeNext);
    // A frame whose read fails saw no key go down or up.
    input_.Pressed.fill(0);
    input_.Released.fill(0);
    read([&] {
        std::array<uint8_t, 256> keys, pressed, released;
        dx8::DirectInputDevice8& keyboard = Need(dx_.DIKeyboard);
        keyboard.GetDeviceStateKeyboard(keys);
        keyboard.GetKeyTransitions(pressed, released);
        input_.KeyState = keys;
        input_.Pressed = pressed;
        input_.Released = released;
    });
    read([&] {
        dx8::DIMOUSESTATE mouse;
        Need(dx_.DIMouse).GetDeviceStateMouse(mouse);
        input_.MouseState = mouse;
    });
    if (!read.Failed()) return;
    vr::Steps acquire(vr::OnError::kResumeNext);
    acquire([&] { Need(dx_.DIKeyboard).Acquire(); });
    acquire([&] { Need(dx_.DIMouse).Acquire(); });
}

HRESULT EngineObject::GetKeyState(int32_t& Key, VBool* result) {
    return vr::ReturnErrorToCaller([&] {
        if (Key < 0 || Key > 255) throw vr::RuntimeError(vr::kErrSubscript);
        if (result) *result = vr::ToBool16(input_.KeyState[size_t(Key)] == 0x80);
    });
}

namespace {
// Whether a key's byte of one of the snapshot's tables is set; run-time error 9 outside 0..255.
VBool KeyIn(const std::array<uint8_t, 256>& table, int32_t key) {
    if (key < 0 || key > 255) throw vr::RuntimeError(vr::kErrSubscript);
    return vr::ToBool16(table[size_t(key)] != 0);
}
}  // namespace

HRESULT EngineObject::KeyPressed(int32_t Key, VBool* result) {
    return vr::ReturnErrorToCaller([&] {
        VBool v = KeyIn(input_.Pressed, Key);
        if (result) *result = v;
    });
}

HRESULT EngineObject::KeyReleased(int32_t Key, VBool* result) {
    return vr::ReturnErrorToCaller([&] {
        VBool v = KeyIn(input_.Released, Key);
        if (result) *result = v;
    });
}

HRESULT EngineObject::GetMouseState(int32_t& ret_X, int32_t& ret_Y, VBool& ret_B1, VBool& ret_B2, VBool& ret_B3,
                                    int32_t& ret_Wheel, VBool* result) {
    return vr::ReturnErrorToCaller([&] {
        LibraryValues& lib = Lib();
        vr::POINT& cursor = input_.CursorPos;
        const dx8::DIMOUSESTATE& mouse = input_.MouseState;
        vr::GetCursorPos(&cursor);
        if (vr::IsTrue(display_.FullScreen)) {
            lib.MouseX = cursor.x;
            lib.MouseY = cursor.y;
        } else {
            vr::RECT window;
            vr::GetWindowRect(display_.hWnd, &window);
            lib.MouseX = vr::Sub32(cursor.x, window.left);
            lib.MouseY = vr::Sub32(cursor.y, window.top);
        }
        lib.MouseWheel = vr::CLng(double(lib.MouseWheel) + double(mouse.lZ) / 120.0);
        lib.MouseB1 = vr::ToBool16(mouse.Buttons[0] != 0);
        lib.MouseB2 = vr::ToBool16(mouse.Buttons[1] != 0);
        lib.MouseB3 = vr::ToBool16(mouse.Buttons[2] != 0);
        ret_X = lib.MouseX;
        ret_Y = lib.MouseY;
        ret_B1 = lib.MouseB1;
        ret_B2 = lib.MouseB2;
        ret_B3 = lib.MouseB3;
        ret_Wheel = lib.MouseWheel;
        if (result) *result = vr::kFalse;
    });
}

HRESULT EngineObject::SetMousePos(int32_t& posX, int32_t& posY) {
    return vr::ReturnErrorToCaller([&] {
        vr::SetCursorPos(posX, posY);
        Lib().MouseX = posX;
        Lib().MouseY = posY;
    });
}

}  // namespace korva2d
