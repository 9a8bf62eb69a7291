// The DirectSound 8 stand-in: the sound device, its secondary buffers and the
// device enumeration, on the platform's audio mixer.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/dx8/dx8_errors.h"
#include "platform/audio.h"

namespace korva2d::dx8 {

inline constexpr int32_t DSBCAPS_CTRLFREQUENCY = 0x20, DSBCAPS_CTRLPAN = 0x40, DSBCAPS_CTRLVOLUME = 0x80;
inline constexpr int32_t DSSCL_NORMAL = 1;
inline constexpr int32_t DSBPLAY_LOOPING = 1;
inline constexpr int32_t DSBFREQUENCY_MIN = 100, DSBFREQUENCY_MAX = 100000;

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
    bool Playing() const;
    bool Looping() const;

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

private:
    int count_;
};

// The identifier text of the primary sound device.
inline constexpr const char* kPrimarySoundDeviceGuid = "{DEF00000-9C6D-47ED-AAF1-4DDA8F2B5C03}";

}  // namespace korva2d::dx8
