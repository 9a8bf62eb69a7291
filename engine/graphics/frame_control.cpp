// Frame control: ClearScreen, AmbientColor, RenderAll and SaveScreenshot.
#include "core/engine_object.h"
#include "core/library_values.h"
#include "extra/mod_extra.h"
#include "graphics/argb.h"
#include "platform/dialogs.h"
#include "platform/kernel.h"
#include "platform/user_types.h"
#include "platform/variant.h"
#include "platform/window_rect.h"

namespace korva2d {

using vr::com::S_OK;

HRESULT EngineObject::ClearScreen(int16_t& vRed, int16_t& vGreen, int16_t& vBlue) {
    return vr::ReturnErrorToCaller([&] {
        uint32_t colour = PackArgb(255, vRed, vGreen, vBlue);
        Need(dx_.D3DDevice).Clear(0, nullptr, dx8::D3DCLEAR_TARGET, colour, 1.0f, 0);
    });
}

HRESULT EngineObject::AmbientColor(Variant& cRed, Variant& cGreen, Variant& cBlue) {
    return vr::ReturnErrorToCaller([&] {
        // A value that is no 32-bit number is refused in a box; the parts before it keep their new values.
        try {
            textures_.AmbientRed = cRed.ToInt32();
            textures_.AmbientGreen = cGreen.ToInt32();
            textures_.AmbientBlue = cBlue.ToInt32();
        } catch (const vr::RuntimeError&) {
            vr::MsgBox("Error in AmbientColor()\r\nWrong RGB value!", vr::kMbOkOnly);
        }
    });
}

HRESULT EngineObject::RenderAll() {
    frames_.PreviousRender = frames_.LastRender;
    vr::QueryPerformanceCounter(&frames_.LastRender);
    PollInput();
    // Every step is skipped when it fails; the frame goes on.
    vr::Steps step(vr::OnError::kResumeNext);
    step([&] { Need(dx_.Sprite).End(); });
    step([&] { Need(dx_.D3DDevice).Present(nullptr, nullptr, 0, nullptr); });
    step([&] { Need(dx_.Sprite).Begin(); });
    return S_OK;
}

HRESULT EngineObject::get_FrameTime(double* result) {
    if (!result) return vr::com::E_POINTER;
    int64_t frequency = 1;
    vr::QueryPerformanceFrequency(&frequency);
    *result = frames_.PreviousRender ? double(frames_.LastRender - frames_.PreviousRender) / double(frequency) : 0.0;
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
    return vr::ReturnErrorToCaller([&] {
        LogAndGoOn("Error in SaveScreenshot()", [&] {
            std::string folder = Lib().AppPath;
            if (folder.empty() || folder.back() != '\\') folder += "\\";
            if (!vr::IsDirectory(vr::NativePath(folder))) return;
            int n = 1;
            while (vr::PathFileExistsA(folder + ScreenshotName(n))) ++n;
            std::string name = folder + ScreenshotName(n);
            dx8::Direct3DDevice8& device = Need(dx_.D3DDevice);
            dx8::D3DDISPLAYMODE mode = device.GetDisplayMode();
            vr::RECT window;
            if (!vr::GetWindowRect(display_.hWnd, &window)) throw vr::RuntimeError(dx8::D3DERR_INVALIDCALL);
            auto surface = device.CreateImageSurface(mode.Width, mode.Height, dx8::D3DFMT_A8R8G8B8);
            device.GetFrontBuffer(*surface);
            // A file that cannot be written is named in the line, with the reason.
            Need(dx_.D3DX).SaveSurfaceToFile(name, dx8::D3DXIFF_BMP, *surface, nullptr, &window);
        });
    });
}

}  // namespace korva2d
