#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/dx8/dx8.h"
#include "platform/runtime_error.h"

namespace korva2d::dx8 {

namespace {

// A test hook's setting: KORVA2D_NAME, or the earlier KORVA_NAME. Only a
// build made for the tests reads them; an installed library has none.
const char* HookSetting([[maybe_unused]] const char* name) {
#if VR_TEST_SEAMS
    if (const char* v = std::getenv((std::string("KORVA2D_") + name).c_str())) return v;
    return std::getenv((std::string("KORVA_") + name).c_str());
#else
    return nullptr;
#endif
}

}  // namespace

bool HookFails(const char* service) {
    const char* env = HookSetting("DX8_FAIL");
    if (!env) return false;
    std::string list = std::string(",") + env + ",";
    return list.find(std::string(",") + service + ",") != std::string::npos;
}

void Fail(HRESULT hr) { throw vr::RuntimeError(hr, D3DX8().GetErrorString(hr)); }
void Fail(HRESULT hr, const std::string& detail) { throw vr::FileFailure(hr, D3DX8().GetErrorString(hr), detail); }

std::shared_ptr<DirectX8> CreateDirectX8() {
    if (HookFails("root")) throw vr::RuntimeError(vr::kErrCannotCreateObject);
    return std::make_shared<DirectX8>();
}

std::shared_ptr<D3DX8> CreateD3DX8() {
    if (HookFails("d3dx")) throw vr::RuntimeError(vr::kErrCannotCreateObject);
    return std::make_shared<D3DX8>();
}

std::shared_ptr<Direct3D8> DirectX8::Direct3DCreate() {
    if (HookFails("d3d")) Fail(D3DERR_NOTAVAILABLE);
    return std::make_shared<Direct3D8>();
}

std::shared_ptr<DirectInput8> DirectX8::DirectInputCreate() {
    if (HookFails("dinput")) Fail(E_FAIL);
    return std::make_shared<DirectInput8>();
}

std::shared_ptr<DirectSoundEnum8> DirectX8::GetDSEnum() {
    if (HookFails("dsenum")) Fail(DSERR_NODRIVER);
    int count;
    if (const char* n = HookSetting("DX8_SOUND_DEVICES")) count = std::atoi(n);
    else count = vr::audio::Device::CountOutputDevices();
    return std::make_shared<DirectSoundEnum8>(count);
}

std::string DirectSoundEnum8::GetGuid(int32_t index) const {
    if (index < 1 || index > count_) Fail(DSERR_INVALIDPARAM);
    if (index == 1) return kPrimarySoundDeviceGuid;
    char buf[48];
    std::snprintf(buf, sizeof buf, "{DEF00000-9C6D-47ED-AAF1-4DDA8F2B5C%02X}", 3 + index);
    return buf;
}

std::shared_ptr<DirectSound8> DirectX8::DirectSoundCreate(const std::string& guid) {
    if (HookFails("dsound")) Fail(DSERR_NODRIVER);
    if (guid.size() != 38 || guid.front() != '{') Fail(CO_E_CLASSSTRING);
    std::string error;
    if (!vr::audio::Device::Instance().Open(error)) Fail(DSERR_NODRIVER);
    return std::make_shared<DirectSound8>();
}

}  // namespace korva2d::dx8
