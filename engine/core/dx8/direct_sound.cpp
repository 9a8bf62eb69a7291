#include "core/dx8/dx8.h"

namespace korva2d::dx8 {

using vr::audio::Device;

void DirectSound8::SetCooperativeLevel(int32_t, int32_t level) {
    if (level < 1 || level > 3) Fail(DSERR_INVALIDPARAM);
}

std::shared_ptr<DirectSoundSecondaryBuffer8> DirectSound8::CreateSoundBufferFromFile(const std::string& path,
                                                                                      DSBUFFERDESC& desc) {
    auto pcm = std::make_shared<vr::audio::PcmData>();
    std::string reason;
    switch (vr::audio::LoadSoundFile(path, *pcm, reason)) {
        case vr::audio::SoundFault::kNone: break;
        case vr::audio::SoundFault::kMissing: Fail(DXERR_FILENOTFOUND, reason);
        case vr::audio::SoundFault::kTooLong: Fail(DSERR_INVALIDPARAM, reason);  // beyond the largest buffer
        default: Fail(DSERR_BADFORMAT, reason);
    }
    desc.lBufferBytes = int32_t(pcm->Frames() * pcm->channels * 2);
    int blockAlign = pcm->channels * 2;  // buffers report 16-bit positions
    auto voice = Device::Instance().NewVoice(std::move(pcm));
    return std::make_shared<DirectSoundSecondaryBuffer8>(std::move(voice), blockAlign, desc.lFlags);
}

DirectSoundSecondaryBuffer8::DirectSoundSecondaryBuffer8(std::shared_ptr<vr::audio::Voice> voice, int blockAlign,
                                                         int32_t flags)
    : voice_(std::move(voice)), blockAlign_(blockAlign), flags_(flags) {}

DirectSoundSecondaryBuffer8::~DirectSoundSecondaryBuffer8() { Device::Instance().DropVoice(voice_); }

void DirectSoundSecondaryBuffer8::SetVolume(int32_t v) {
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) Fail(DSERR_INVALIDCALL);
    if (v < -10000 || v > 0) Fail(DSERR_INVALIDPARAM);
    auto lock = Device::Instance().Lock();
    voice_->gainMb = v;
}

void DirectSoundSecondaryBuffer8::SetPan(int32_t p) {
    if (!(flags_ & DSBCAPS_CTRLPAN)) Fail(DSERR_INVALIDCALL);
    if (p < -10000 || p > 10000) Fail(DSERR_INVALIDPARAM);
    auto lock = Device::Instance().Lock();
    voice_->panMb = p;
}

void DirectSoundSecondaryBuffer8::SetFrequency(int32_t hz) {
    if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) Fail(DSERR_INVALIDCALL);
    if (hz != 0 && (hz < DSBFREQUENCY_MIN || hz > DSBFREQUENCY_MAX)) Fail(DSERR_INVALIDPARAM);
    auto lock = Device::Instance().Lock();
    voice_->rateHz = hz;
}

void DirectSoundSecondaryBuffer8::SetCurrentPosition(int32_t bytes) {
    auto lock = Device::Instance().Lock();
    double frame = double(bytes) / blockAlign_;
    if (bytes < 0 || frame > double(voice_->data->Frames())) Fail(DSERR_INVALIDPARAM);
    voice_->position = frame;
}

void DirectSoundSecondaryBuffer8::Play(int32_t flags) {
    auto lock = Device::Instance().Lock();
    voice_->looping = (flags & DSBPLAY_LOOPING) != 0;
    voice_->playing = true;
}

void DirectSoundSecondaryBuffer8::Stop() {
    auto lock = Device::Instance().Lock();
    voice_->playing = false;
}

int32_t DirectSoundSecondaryBuffer8::Volume() const {
    auto lock = Device::Instance().Lock();
    return voice_->gainMb;
}
bool DirectSoundSecondaryBuffer8::Playing() const {
    auto lock = Device::Instance().Lock();
    return voice_->playing;
}
bool DirectSoundSecondaryBuffer8::Looping() const {
    auto lock = Device::Instance().Lock();
    return voice_->looping;
}

}  // namespace korva2d::dx8
