// Keyboard and mouse through DirectInput: the devices, the snapshot taken at
// each RenderAll, and the members that answer from it.
#include "core/engine_object.h"
#include "core/library_values.h"
#include "extra/mod_extra.h"
#include "platform/vbtypes.h"
#include "platform/window.h"

namespace korva2d {

using vr::com::HResultFromCurrentException;
using vr::com::S_OK;

namespace {
constexpr int32_t kForegroundShared = dx8::DISCL_NONEXCLUSIVE | dx8::DISCL_FOREGROUND;
}  // namespace

void EngineObject::Initilize_DxInput() {
    try {
        DI = Need(DX).DirectInputCreate();
        DIKeyboard = DI->CreateDevice("GUID_SysKeyboard");
        DIKeyboard->SetCommonDataFormat(dx8::DIFORMAT_KEYBOARD);
        DIKeyboard->SetCooperativeLevel(hWnd, kForegroundShared);
        DIKeyboard->Acquire();
        DIMouse = DI->CreateDevice("GUID_SysMouse");
        DIMouse->SetCommonDataFormat(dx8::DIFORMAT_MOUSE);
        DIMouse->SetCooperativeLevel(hWnd, kForegroundShared);
        DIMouse->Acquire();
    } catch (...) {
        LogError("Error in Initilize_DxInput()");
    }
}

void EngineObject::PollInput() {
    bool failed = false;
    try {
        std::array<uint8_t, 256> keys;
        Need(DIKeyboard).GetDeviceStateKeyboard(keys);
        KeyState = keys;
    } catch (...) {
        failed = true;
    }
    try {
        dx8::DIMOUSESTATE mouse;
        Need(DIMouse).GetDeviceStateMouse(mouse);
        MouseState = mouse;
    } catch (...) {
        failed = true;
    }
    if (!failed) return;
    for (auto* device : {&DIKeyboard, &DIMouse}) {
        try {
            Need(*device).Acquire();
        } catch (...) {
        }
    }
}

HRESULT EngineObject::GetKeyState(int32_t& Key, VBool* result) {
    try {
        if (Key < 0 || Key > 255) throw vr::RuntimeError(vr::kErrSubscript);
        if (result) *result = vr::ToBool16(KeyState[size_t(Key)] == 0x80);
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::GetMouseState(int32_t& ret_X, int32_t& ret_Y, VBool& ret_B1, VBool& ret_B2, VBool& ret_B3,
                                    int32_t& ret_Wheel, VBool* result) {
    try {
        LibraryValues& lib = Lib();
        vr::GetCursorPos(&CursorPos);
        if (vr::IsTrue(FullScreen)) {
            lib.MouseX = CursorPos.x;
            lib.MouseY = CursorPos.y;
        } else {
            vr::RECT window;
            vr::GetWindowRect(hWnd, &window);
            lib.MouseX = vr::Sub32(CursorPos.x, window.left);
            lib.MouseY = vr::Sub32(CursorPos.y, window.top);
        }
        lib.MouseWheel = vr::CLng(double(lib.MouseWheel) + double(MouseState.lZ) / 120.0);
        lib.MouseB1 = vr::ToBool16(MouseState.Buttons[0] != 0);
        lib.MouseB2 = vr::ToBool16(MouseState.Buttons[1] != 0);
        lib.MouseB3 = vr::ToBool16(MouseState.Buttons[2] != 0);
        ret_X = lib.MouseX;
        ret_Y = lib.MouseY;
        ret_B1 = lib.MouseB1;
        ret_B2 = lib.MouseB2;
        ret_B3 = lib.MouseB3;
        ret_Wheel = lib.MouseWheel;
        if (result) *result = vr::kFalse;
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::SetMousePos(int32_t& posX, int32_t& posY) {
    try {
        vr::SetCursorPos(posX, posY);
        Lib().MouseX = posX;
        Lib().MouseY = posY;
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

}  // namespace korva2d
