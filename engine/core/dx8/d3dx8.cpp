#include "core/dx8/d3dx8.h"

#include <cstdio>

#include "platform/gdi.h"
#include "platform/runtime_error.h"

namespace korva2d::dx8 {

std::string D3DX8::GetErrorString(int32_t number) const {
    switch (static_cast<uint32_t>(number)) {
        case 0x8876086A: return "D3DERR_NOTAVAILABLE: the requested device, display mode or feature is not available";
        case 0x8876086C: return "D3DERR_INVALIDCALL: invalid call";
        case 0x88760868: return "D3DERR_DEVICELOST: the device is lost";
        case 0x8876017C: return "D3DERR_OUTOFVIDEOMEMORY: out of video memory";
        case 0x88760B58: return "DXFILEERR_FILENOTFOUND: the file was not found";
        case 0x88760B59: return "D3DXERR_INVALIDDATA: the file is not a picture or holds no usable data";
        case 0x88780078: return "DSERR_NODRIVER: no sound driver is available";
        case 0x88780064: return "DSERR_BADFORMAT: the wave format is not supported";
        case 0x88780032: return "DSERR_INVALIDCALL: this call is not valid for the current state of the object";
        case 0x8878000A: return "DSERR_ALLOCATED: the resource is already in use";
        case 0x80070057: return "E_INVALIDARG: an invalid parameter was passed";
        case 0x80070005: return "DIERR_OTHERAPPHASPRIO: the window is not in the foreground, or another program has the device";
        case 0x80070006: return "E_HANDLE: the window handle is not valid";
        case 0x8007000C: return "DIERR_NOTACQUIRED: the device is not acquired";
        case 0x8007001E: return "DIERR_INPUTLOST: the device lost its input (the window left the foreground)";
        case 0x80040154: return "DIERR_DEVICENOTREG: the device is not registered";
        case 0x8007000E: return "E_OUTOFMEMORY: not enough memory";
        case 0x80004001: return "E_NOTIMPL: the function is not implemented";
        case 0x80004005: return "E_FAIL: an undetermined error occurred";
        case 0x800401F3: return "CO_E_CLASSSTRING: invalid class string";
        default: break;
    }
    if ((static_cast<uint32_t>(number) & 0xFFFF0000u) == 0x800A0000u || (number > 0 && number < 65536)) {
        int32_t n = number & 0xFFFF;
        return "Run-time error " + std::to_string(n) + ": " + vr::RuntimeErrorDescription(n);
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "Unknown error (0x%08X)", static_cast<uint32_t>(number));
    return buf;
}

std::shared_ptr<D3DXSprite> D3DX8::CreateSprite(const std::shared_ptr<Direct3DDevice8>& device) {
    if (HookFails("sprite")) Fail(E_FAIL);
    if (!device) Fail(D3DERR_INVALIDCALL);
    return std::make_shared<D3DXSprite>(device);
}

}  // namespace korva2d::dx8
