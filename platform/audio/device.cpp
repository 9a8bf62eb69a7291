#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/audio.h"
#include "platform/audio_stream.h"

namespace vr::audio {

Device& Device::Instance() {
    static Device* device = new Device();  // lives until the process ends
    return *device;
}

int Device::CountOutputDevices() {
    if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    int n = SDL_GetNumAudioDevices(0);
    return n < 0 ? 0 : n;
}

bool Device::Open(std::string& error) {
    if (id_) return true;
    if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return false;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = 44100;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = &Device::Callback;
    want.userdata = this;
    id_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!id_) {
        error = SDL_GetError();
        return false;
    }
    rate_ = have.freq;
    SDL_PauseAudioDevice(id_, 0);
    return true;
}

std::shared_ptr<Voice> Device::NewVoice(std::shared_ptr<const PcmData> data) {
    auto v = std::make_shared<Voice>();
    v->data = std::move(data);
    auto lock = Lock();
    voices_.push_back(v);
    return v;
}

void Device::DropVoice(const std::shared_ptr<Voice>& v) {
    auto lock = Lock();
    voices_.erase(std::remove(voices_.begin(), voices_.end(), v), voices_.end());
}

void Device::AddStream(std::shared_ptr<StreamVoice> s) {
    auto lock = Lock();
    streams_.push_back(std::move(s));
}

void Device::DropStream(const std::shared_ptr<StreamVoice>& s) {
    auto lock = Lock();
    streams_.erase(std::remove(streams_.begin(), streams_.end(), s), streams_.end());
}

void Device::SetMasterLevel(float level) { master_.store(std::clamp(level, 0.0f, 1.0f)); }

void Device::Callback(void* self, uint8_t* stream, int len) {
    Device& d = *static_cast<Device*>(self);
    int frames = len / int(2 * sizeof(float));
    if (d.paused_.load()) {
        std::memset(stream, 0, size_t(len));
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(d.mutex_);
    d.scratch_.clear();
    for (auto& v : d.voices_) d.scratch_.push_back(v.get());
    MixBlock(d.scratch_, d.streams_, d.master_.load(), d.limiter_, reinterpret_cast<float*>(stream), frames, d.rate_);
}

}  // namespace vr::audio
