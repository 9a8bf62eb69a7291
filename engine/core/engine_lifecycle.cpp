// Engine start-up, shutdown, cursor and version.
#include <string>

#include "core/engine_object.h"
#include "core/library_values.h"
#include "core/server_counts.h"
#include "extra/mod_extra.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"
#include "platform/form.h"
#include "platform/user_types.h"
#include "platform/vbtypes.h"
#include "platform/window_handles.h"
#include "platform/window_rect.h"
#include "version.h"

namespace korva2d {

using vr::com::S_OK;

EngineObject::EngineObject() : DispatchObject(ServerObjectCounts(), IID__Engine) {}

HRESULT EngineObject::QueryInterface(const vr::com::GUID& iid, void** object) {
    if (object && iid == IID__Engine2) {
        *object = static_cast<_Engine2*>(this);
        AddRef();
        return S_OK;
    }
    if (object && iid == IID__EngineErrors) {
        *object = static_cast<_EngineErrors*>(this);
        AddRef();
        return S_OK;
    }
    return DispatchObject::QueryInterface(iid, object);
}

void EngineObject::LogError(std::string_view operation, const vr::Failure& failure) {
    if (!dx_.D3DX) throw vr::RuntimeError(91);
    std::string line = std::string(operation) + " : " + dx_.D3DX->GetErrorString(failure.number);
    if (!failure.detail.empty()) line += " (" + failure.detail + ")";
    AppendErrorLog(line);
}

// Centres what the screen shows: a form drawn n times larger shows its client
// area n times larger inside its frame, and that is known once it is sized and
// shown. A form that fills the desktop keeps its place; its picture is centred.
void EngineObject::CenterWindow(int16_t width, int16_t height, VBool fullScreen) {
    if (vr::IsTrue(fullScreen)) return;
    auto place = [&](int left, int top, uint32_t flags) {
        if (!vr::SetWindowPos(display_.hWnd, vr::HWND_TOPMOST, left, top, width, height, flags))
            throw vr::RuntimeError(vr::kErrInvalidCall, "The window could not be placed");
    };
    place(0, 0, vr::SWP_NOMOVE | vr::SWP_SHOWWINDOW);
    vr::WindowOfHandle target = vr::LookupWindow(display_.hWnd);
    vr::Form* form = target.box ? nullptr : target.form;
    if (form && form->InDesktopFullScreen()) return;
    int scale = form ? form->Scale() : 1;
    vr::RECT outer, client;
    vr::GetWindowRect(display_.hWnd, &outer);
    vr::GetClientRect(display_.hWnd, &client);
    int shownWidth = (outer.right - outer.left) + client.right * (scale - 1);
    int shownHeight = (outer.bottom - outer.top) + client.bottom * (scale - 1);
    place(vr::CLng((vr::GetSystemMetrics(vr::SM_CXSCREEN) - shownWidth) / 2.0),
          vr::CLng((vr::GetSystemMetrics(vr::SM_CYSCREEN) - shownHeight) / 2.0), vr::SWP_NOSIZE);
}

namespace {
void ShowInstallDirectXBox() { vr::MsgBox("Install DirectX 8.1 or better", vr::kMbOkOnly, "DirectX Error"); }
}  // namespace

void EngineObject::CreateRootObjects(vr::Steps& phaseOne) {
    phaseOne([&] { dx_.DX = dx8::CreateDirectX8(); });
    phaseOne([&] { dx_.D3D = Need(dx_.DX).Direct3DCreate(); });
    phaseOne([&] { dx_.D3DX = dx8::CreateD3DX8(); });
}

template <class PhaseTwo>
void EngineObject::FinishStart(const vr::Steps& phaseOne, std::string_view operation, VBool* result,
                               PhaseTwo&& phaseTwo) {
    if (phaseOne.Failed()) ShowInstallDirectXBox();
    // Phase two: the first failure ends the start on its error path.
    bool started = LogAndGoOn(operation, [&] {
        phaseTwo();
        SetPiAndRad();
    });
    if (result) *result = vr::ToBool16(started);
}

void EngineObject::CreateDeviceAndSprite(int16_t adapter) {
    const DisplaySettings& d = display_;
    dx8::Direct3D8& d3d = Need(dx_.D3D);
    dx8::D3DDISPLAYMODE mode;
    if (vr::IsTrue(d.FullScreen)) {
        mode.Width = d.ResWidth;
        mode.Height = d.ResHeight;
        mode.Format = dx8::D3DFMT_X8R8G8B8;
    } else {
        mode = d3d.GetAdapterDisplayMode(0);
    }
    dx8::D3DPRESENT_PARAMETERS pp;
    pp.BackBufferWidth = d.ResWidth;
    pp.BackBufferHeight = d.ResHeight;
    pp.BackBufferFormat = mode.Format;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = 0;
    pp.SwapEffect = dx8::D3DSWAPEFFECT_FLIP;
    pp.hDeviceWindow = d.hWnd;
    pp.Windowed = vr::IsTrue(d.FullScreen) ? 0 : 1;
    dx_.D3DDevice =
        d3d.CreateDevice(adapter, dx8::D3DDEVTYPE_HAL, d.hWnd, dx8::D3DCREATE_SOFTWARE_VERTEXPROCESSING, pp);
    dx_.D3DDevice->SetRenderState(dx8::D3DRS_SRCBLEND, dx8::D3DBLEND_SRCALPHA);
    dx_.D3DDevice->SetRenderState(dx8::D3DRS_DESTBLEND, dx8::D3DBLEND_INVSRCALPHA);
    dx_.D3DDevice->SetRenderState(dx8::D3DRS_ALPHABLENDENABLE, -1);
    dx_.Sprite = Need(dx_.D3DX).CreateSprite(dx_.D3DDevice);
}

HRESULT EngineObject::Korva2D_Start(int32_t& hWndArg, Text& pAppPath, float& oResWidth, float& oResHeight,
                                    VBool& oFullScreen, int16_t& UseDevice_Number, VBool* result) {
    return vr::ReturnErrorToCaller([&] {
        // Phase one: each step runs whatever the one before it did.
        vr::Steps phaseOne(vr::OnError::kResumeNext);
        DisplaySettings& d = display_;
        phaseOne([&] { d.FullScreen = oFullScreen; });
        phaseOne([&] { d.ResWidth = vr::CInt(oResWidth); });
        phaseOne([&] { d.ResHeight = vr::CInt(oResHeight); });
        phaseOne([&] { d.WinWidth = d.ResWidth; });
        phaseOne([&] { d.WinHeight = d.ResHeight; });
        phaseOne([&] { d.hWnd = hWndArg; });
        phaseOne([&] { Lib().AppPath = pAppPath; });
        phaseOne([&] {
            AppendLog(std::string(23, '#'));
            AppendLog("APPLICATION STARTED ###");
        });
        phaseOne([&] { CenterWindow(d.WinWidth, d.WinHeight, d.FullScreen); });
        CreateRootObjects(phaseOne);
        FinishStart(phaseOne, "Error in Korva2D_Start", result, [&] {
            CreateDeviceAndSprite(UseDevice_Number);
            Initilize_DxInput();
            Initilize_Soundcard();
            letters_.LoadFontIni();
            Variant red(int16_t(255)), green(int16_t(255)), blue(int16_t(255));
            vr::com::ThrowIfFailed(AmbientColor(red, green, blue));
        });
    });
}

HRESULT EngineObject::Korva2D_Start_OnlySound(int32_t& hWndArg, Text& pAppPath, VBool* result) {
    return vr::ReturnErrorToCaller([&] {
        vr::Steps phaseOne(vr::OnError::kResumeNext);
        phaseOne([&] {
            display_.hWnd = hWndArg;
            Lib().AppPath = pAppPath;
        });
        phaseOne([&] {
            AppendLog(std::string(42, '#'));
            AppendLog("APPLICATION STARTED (USING ONLY SOUND) ###");
        });
        CreateRootObjects(phaseOne);
        FinishStart(phaseOne, "Error in Korva2D_Start_OnlySound", result, [&] { Initilize_Soundcard(); });
    });
}

HRESULT EngineObject::Korva2D_Unload() {
    vr::Steps step(vr::OnError::kResumeNext);
    step([] { AppendLog("APPLICATION ENDED ###"); });
    step([&] { Need(dx_.DIKeyboard).Unacquire(); });
    step([&] { Need(dx_.DIMouse).Unacquire(); });
    // Releasing cannot fail.
    dx_.DIKeyboard.reset();
    dx_.DIMouse.reset();
    dx_.DI.reset();
    dx_.DS.reset();
    dx_.DSEnum.reset();
    sounds_.Buffers.ReleaseObjects();
    textures_.Entries.ReleaseObjects();
    dx_.Sprite.reset();
    fonts_.Entries.ReleaseObjects();
    dx_.D3DDevice.reset();
    dx_.D3DX.reset();
    dx_.D3D.reset();
    dx_.DX.reset();
    return S_OK;
}

HRESULT EngineObject::put_ErrorsToStandardError(VBool value) {
    SetErrorsToStandardError(vr::IsTrue(value));
    return S_OK;
}

HRESULT EngineObject::get_ErrorsToStandardError(VBool* result) {
    if (result) *result = vr::ToBool16(ErrorsToStandardError());
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
