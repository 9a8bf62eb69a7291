// Frame control: ClearScreen, AmbientColor, RenderAll and SaveScreenshot.
#include "core/engine_object.h"
#include "core/library_values.h"
#include "extra/mod_extra.h"
#include "graphics/argb.h"
#include "platform/dialogs.h"
#include "platform/kernel.h"
#include "platform/variant.h"
#include "platform/window.h"

namespace korva2d {

using vr::com::HResultFromCurrentException;
using vr::com::S_OK;

HRESULT EngineObject::ClearScreen(int16_t& vRed, int16_t& vGreen, int16_t& vBlue) {
    try {
        uint32_t colour = PackArgb(255, vRed, vGreen, vBlue);
        Need(D3DDevice).Clear(0, nullptr, dx8::D3DCLEAR_TARGET, colour, 1.0f, 0);
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::AmbientColor(Variant& cRed, Variant& cGreen, Variant& cBlue) {
    try {
        try {
            AmbientRed = cRed.ToInt32();
            AmbientGreen = cGreen.ToInt32();
            AmbientBlue = cBlue.ToInt32();
        } catch (const vr::RuntimeError&) {
            vr::MsgBox("Error in AmbientColor()\r\nWrong RGB value!", vr::kMbOkOnly);
        }
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::RenderAll() {
    PollInput();
    // Every step is skipped when it fails; the frame goes on.
    auto step = [](auto&& f) {
        try {
            f();
        } catch (...) {
        }
    };
    step([&] { Need(Sprite).End(); });
    step([&] { Need(D3DDevice).Present(nullptr, nullptr, 0, nullptr); });
    step([&] { Need(Sprite).Begin(); });
    return S_OK;
}

namespace {
// "screenshot" + at least three digits + ".bmp".
std::string ScreenshotName(int n) {
    std::string digits = std::to_string(n);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return "screenshot" + digits + ".bmp";
}
}  // namespace

HRESULT EngineObject::SaveScreenshot() {
    try {
        try {
            std::string folder = Lib().AppPath;
            if (folder.empty() || folder.back() != '\\') folder += "\\";
            if (!vr::IsDirectory(vr::NativePath(folder))) return S_OK;
            int n = 1;
            while (vr::PathFileExistsA(folder + ScreenshotName(n))) ++n;
            std::string name = folder + ScreenshotName(n);
            dx8::D3DDISPLAYMODE mode = Need(D3DDevice).GetDisplayMode();
            vr::RECT window;
            if (!vr::GetWindowRect(hWnd, &window)) throw vr::RuntimeError(dx8::D3DERR_INVALIDCALL);
            auto surface = D3DDevice->CreateImageSurface(mode.Width, mode.Height, dx8::D3DFMT_A8R8G8B8);
            D3DDevice->GetFrontBuffer(*surface);
            Need(D3DX).SaveSurfaceToFile(name, dx8::D3DXIFF_BMP, *surface, nullptr, &window);
        } catch (const dx8::FileWriteError& e) {
            // Which file, and why (a full disk, say).
            AppendLog("Error in SaveScreenshot() : " + D3DX->GetErrorString(e.number()) + " (" + e.description() + ")");
        } catch (...) {
            LogError("Error in SaveScreenshot()");
        }
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

}  // namespace korva2d
