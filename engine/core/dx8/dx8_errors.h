// What every service of the DirectX 8 stand-in shares: failure codes, the
// rule that a failing operation raises its code as a run-time error, and the
// test hook that makes services fail.
//
// Test hook (only in a build with VR_TEST_SEAMS, which the test suite
// turns on): KORVA2D_DX8_FAIL lists, comma-separated, services that fail:
// "root", "d3d", "d3dx", "dsenum", "dsound" (creation), "device" (CreateDevice),
// "sprite" (CreateSprite), "texture" (texture loading), "capture" (reading the
// front buffer), "dinput" (DirectInputCreate), "keyboard" and "mouse" (their
// devices), "acquire" (every Acquire). KORVA2D_DX8_SOUND_DEVICES sets the number of sound devices the
// enumeration counts.
#pragma once
#include <cstdint>
#include <string>

#include "platform/runtime_error.h"

namespace korva2d::dx8 {

using HRESULT = int32_t;

inline constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086A);
inline constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086C);
inline constexpr HRESULT D3DERR_DEVICELOST = static_cast<HRESULT>(0x88760868);
inline constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017C);
inline constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59);
inline constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078);
inline constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064);
inline constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032);
inline constexpr HRESULT DXERR_FILENOTFOUND = static_cast<HRESULT>(0x88760B58);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3);

// Throws the failure code as a run-time error with the D3DX text of it.
[[noreturn]] void Fail(HRESULT hr);
// Throws the failure code as a vr::FileFailure: the D3DX text, and which file
// and why ("PATH: the file is cut short ..."); the engine's error lines add the
// detail after the error text.
[[noreturn]] void Fail(HRESULT hr, const std::string& detail);
// True when the test hook names this service.
bool HookFails(const char* service);

}  // namespace korva2d::dx8
