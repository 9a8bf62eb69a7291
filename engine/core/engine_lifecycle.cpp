// Engine start-up, shutdown, cursor and version.
#include <cmath>
#include <new>

#include "core/engine_object.h"
#include "core/library_values.h"
#include "core/server_counts.h"
#include "extra/mod_extra.h"
#include "platform/dialogs.h"
#include "platform/vbtypes.h"
#include "platform/window.h"
#include "version.h"

namespace korva2d {

using vr::com::HResultFromCurrentException;
using vr::com::S_OK;

EngineObject::EngineObject() : DispatchObject(ServerObjectCounts(), IID__Engine) {}

void EngineObject::LogError(const std::string& operation) {
    int32_t number = vr::kErrInvalidCall;
    std::string detail;
    try {
        throw;
    } catch (const dx8::DetailedFailure& e) {
        number = e.number();
        detail = " (" + e.Detail() + ")";
    } catch (const vr::RuntimeError& e) {
        number = e.number();
    } catch (const std::bad_alloc&) {
        number = vr::kErrOutOfMemory;
    } catch (...) {
    }
    if (!D3DX) throw vr::RuntimeError(91);
    AppendLog(operation + " : " + D3DX->GetErrorString(number) + detail);
}

// Centres what the screen shows: a form drawn n times larger shows its client
// area n times larger inside its frame, and that is known once it is sized and
// shown. A form that fills the desktop keeps its place; its picture is centred.
void EngineObject::CenterWindow(int16_t width, int16_t height, VBool fullScreen) {
    if (vr::IsTrue(fullScreen)) return;
    auto place = [&](int left, int top, uint32_t flags) {
        if (!vr::SetWindowPos(hWnd, vr::HWND_TOPMOST, left, top, width, height, flags))
            throw vr::RuntimeError(vr::kErrInvalidCall, "The window could not be placed");
    };
    place(0, 0, vr::SWP_NOMOVE | vr::SWP_SHOWWINDOW);
    vr::WindowOfHandle target = vr::LookupWindow(hWnd);
    vr::Form* form = target.box ? nullptr : target.form;
    if (form && form->InDesktopFullScreen()) return;
    int scale = form ? form->Scale() : 1;
    vr::RECT outer, client;
    vr::GetWindowRect(hWnd, &outer);
    vr::GetClientRect(hWnd, &client);
    int shownWidth = (outer.right - outer.left) + client.right * (scale - 1);
    int shownHeight = (outer.bottom - outer.top) + client.bottom * (scale - 1);
    place(vr::CLng((vr::GetSystemMetrics(vr::SM_CXSCREEN) - shownWidth) / 2.0),
          vr::CLng((vr::GetSystemMetrics(vr::SM_CYSCREEN) - shownHeight) / 2.0), vr::SWP_NOSIZE);
}

namespace {
// Runs one step of a phase one; a failure is remembered instead of raised.
template <class F>
void Step(bool& failed, F&& f) {
    try {
        f();
    } catch (...) {
        failed = true;
    }
}

void ShowInstallDirectXBox() { vr::MsgBox("Install DirectX 8.1 or better", vr::kMbOkOnly, "DirectX Error"); }
}  // namespace

void EngineObject::CreateRootObjects(bool& failed) {
    Step(failed, [&] { DX = dx8::CreateDirectX8(); });
    Step(failed, [&] {
        if (!DX) throw vr::RuntimeError(91);
        D3D = DX->Direct3DCreate();
    });
    Step(failed, [&] { D3DX = dx8::CreateD3DX8(); });
}

HRESULT EngineObject::Korva2D_Start(int32_t& hWndArg, Text& pAppPath, float& oResWidth, float& oResHeight,
                                    VBool& oFullScreen, int16_t& UseDevice_Number, VBool* result) {
    try {
        // Phase one: each step runs whatever the one before it did.
        bool failed = false;
        Step(failed, [&] { FullScreen = oFullScreen; });
        Step(failed, [&] { ResWidth = vr::CInt(oResWidth); });
        Step(failed, [&] { ResHeight = vr::CInt(oResHeight); });
        Step(failed, [&] { WinWidth = ResWidth; });
        Step(failed, [&] { WinHeight = ResHeight; });
        Step(failed, [&] { hWnd = hWndArg; });
        Step(failed, [&] { Lib().AppPath = pAppPath; });
        Step(failed, [&] {
            AppendLog(std::string(23, '#'));
            AppendLog("APPLICATION STARTED ###");
        });
        Step(failed, [&] { CenterWindow(WinWidth, WinHeight, FullScreen); });
        CreateRootObjects(failed);
        if (failed) ShowInstallDirectXBox();
        // Phase two: the first failure ends the start on its error path.
        try {
            dx8::Direct3D8& d3d = Need(D3D);
            dx8::D3DDISPLAYMODE mode;
            if (vr::IsTrue(FullScreen)) {
                mode.Width = ResWidth;
                mode.Height = ResHeight;
                mode.Format = dx8::D3DFMT_X8R8G8B8;
            } else {
                mode = d3d.GetAdapterDisplayMode(0);
            }
            dx8::D3DPRESENT_PARAMETERS pp;
            pp.BackBufferWidth = ResWidth;
            pp.BackBufferHeight = ResHeight;
            pp.BackBufferFormat = mode.Format;
            pp.BackBufferCount = 1;
            pp.MultiSampleType = 0;
            pp.SwapEffect = dx8::D3DSWAPEFFECT_FLIP;
            pp.hDeviceWindow = hWnd;
            pp.Windowed = vr::IsTrue(FullScreen) ? 0 : 1;
            D3DDevice = d3d.CreateDevice(UseDevice_Number, dx8::D3DDEVTYPE_HAL, hWnd,
                                          dx8::D3DCREATE_SOFTWARE_VERTEXPROCESSING, pp);
            D3DDevice->SetRenderState(dx8::D3DRS_SRCBLEND, dx8::D3DBLEND_SRCALPHA);
            D3DDevice->SetRenderState(dx8::D3DRS_DESTBLEND, dx8::D3DBLEND_INVSRCALPHA);
            D3DDevice->SetRenderState(dx8::D3DRS_ALPHABLENDENABLE, -1);
            Sprite = Need(D3DX).CreateSprite(D3DDevice);
            Initilize_DxInput();
            Initilize_Soundcard();
            LoadFontIni();
            Variant red(int16_t(255)), green(int16_t(255)), blue(int16_t(255));
            vr::com::ThrowIfFailed(AmbientColor(red, green, blue));
            SetPiAndRad();
        } catch (...) {
            LogError("Error in Korva2D_Start");
            if (result) *result = vr::kFalse;
            return S_OK;
        }
        if (result) *result = vr::kTrue;
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::Korva2D_Start_OnlySound(int32_t& hWndArg, Text& pAppPath, VBool* result) {
    try {
        bool failed = false;
        Step(failed, [&] {
            hWnd = hWndArg;
            Lib().AppPath = pAppPath;
        });
        Step(failed, [&] {
            AppendLog(std::string(42, '#'));
            AppendLog("APPLICATION STARTED (USING ONLY SOUND) ###");
        });
        CreateRootObjects(failed);
        if (failed) ShowInstallDirectXBox();
        try {
            Initilize_Soundcard();
            SetPiAndRad();
        } catch (...) {
            LogError("Error in Korva2D_Start_OnlySound");
            if (result) *result = vr::kFalse;
            return S_OK;
        }
        if (result) *result = vr::kTrue;
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::Korva2D_Unload() {
    auto skip = [](auto&& f) {
        try {
            f();
        } catch (...) {
        }
    };
    skip([] { AppendLog("APPLICATION ENDED ###"); });
    skip([&] {
        if (DIKeyboard) DIKeyboard->Unacquire();
    });
    skip([&] {
        if (DIMouse) DIMouse->Unacquire();
    });
    DIKeyboard.reset();
    DIMouse.reset();
    DI.reset();
    DS.reset();
    DSEnum.reset();
    SoundBuffers.assign(1, nullptr);
    // The texture store keeps its keys and count; its objects go.
    Textures.assign(1, {});
    Sprite.reset();
    // The font store keeps one empty record; the keys and FontCount stay.
    Fonts.assign(1, {});
    D3DDevice.reset();
    D3DX.reset();
    D3D.reset();
    DX.reset();
    return S_OK;
}

HRESULT EngineObject::ShowCursorWin(VBool& cShow) {
    vr::ShowCursor(vr::IsTrue(cShow));
    return S_OK;
}

HRESULT EngineObject::get_Version(Variant* result) {
    if (result)
        *result = Variant(vr::version::kEngineText);
    return S_OK;
}

}  // namespace korva2d
