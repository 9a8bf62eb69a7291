// The DirectX 8 services the engine uses, on SDL2 and the platform's audio
// mixer. Objects are counted references (shared_ptr). A failing operation
// throws vr::RuntimeError whose number is the DirectX failure code, as a
// failing call of the automation library raised its HRESULT as an error.
//
// Test hook: KORVA_DX8_FAIL lists, comma-separated, services that fail to be
// created: "root", "d3d", "d3dx", "dsenum", "dsound". KORVA_DX8_SOUND_DEVICES
// sets the number of sound devices the enumeration counts.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio.h"

namespace korva2d::dx8 {

using HRESULT = int32_t;

inline constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086A);
inline constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086C);
inline constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078);
inline constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064);
inline constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032);
inline constexpr HRESULT DXERR_FILENOTFOUND = static_cast<HRESULT>(0x88760B58);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3);

inline constexpr int32_t DSBCAPS_CTRLFREQUENCY = 0x20, DSBCAPS_CTRLPAN = 0x40, DSBCAPS_CTRLVOLUME = 0x80;
inline constexpr int32_t DSSCL_NORMAL = 1;
inline constexpr int32_t DSBPLAY_LOOPING = 1;
inline constexpr int32_t DSBFREQUENCY_MIN = 100, DSBFREQUENCY_MAX = 100000;

// Throws the failure code as a run-time error with the D3DX text of it.
[[noreturn]] void Fail(HRESULT hr);
// True when the test hook names this service.
bool HookFails(const char* service);

struct DSBUFFERDESC {
    int32_t lFlags = 0;
    int32_t lBufferBytes = 0;
};

class DirectSoundSecondaryBuffer8 {
public:
    DirectSoundSecondaryBuffer8(std::shared_ptr<vr::audio::Voice> voice, int blockAlign, int32_t flags);
    ~DirectSoundSecondaryBuffer8();
    DirectSoundSecondaryBuffer8(const DirectSoundSecondaryBuffer8&) = delete;
    DirectSoundSecondaryBuffer8& operator=(const DirectSoundSecondaryBuffer8&) = delete;
    void SetVolume(int32_t hundredthsDb);  // -10000 .. 0
    void SetPan(int32_t hundredthsDb);     // -10000 .. 10000
    void SetFrequency(int32_t hertz);      // 0 (own rate) or 100 .. 100000
    void SetCurrentPosition(int32_t bytes);
    void Play(int32_t flags);
    void Stop();
    // State, for tests.
    int32_t Volume() const;
    int32_t Pan() const;
    int32_t Frequency() const;
    bool Playing() const;
    bool Looping() const;
    double PositionFrames() const;

private:
    std::shared_ptr<vr::audio::Voice> voice_;
    int blockAlign_;
    int32_t flags_;
};

class DirectSound8 {
public:
    void SetCooperativeLevel(int32_t hWnd, int32_t level);
    // Loads a wave file into a new buffer; the description's flags say which
    // controls it has. Fails with DSERR_BADFORMAT for a file that is no sound.
    std::shared_ptr<DirectSoundSecondaryBuffer8> CreateSoundBufferFromFile(const std::string& path,
                                                                            DSBUFFERDESC& desc);
};

class DirectSoundEnum8 {
public:
    explicit DirectSoundEnum8(int count) : count_(count) {}
    int32_t GetCount() const { return count_; }
    std::string GetGuid(int32_t index) const;  // index from 1
    std::string GetDescription(int32_t index) const;

private:
    int count_;
};

class Direct3D8 {};

class D3DX8 {
public:
    // A text for a failure number; a generic text for numbers it does not know.
    std::string GetErrorString(int32_t number) const;
};

class DirectX8 {
public:
    std::shared_ptr<Direct3D8> Direct3DCreate();
    std::shared_ptr<DirectSoundEnum8> GetDSEnum();
    std::shared_ptr<DirectSound8> DirectSoundCreate(const std::string& guid);
};

std::shared_ptr<DirectX8> CreateDirectX8();
std::shared_ptr<D3DX8> CreateD3DX8();

// The identifier text of the primary sound device.
inline constexpr const char* kPrimarySoundDeviceGuid = "{DEF00000-9C6D-47ED-AAF1-4DDA8F2B5C03}";

}  // namespace korva2d::dx8
