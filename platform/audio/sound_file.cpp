#include <algorithm>
#include <cstdio>

#include "audio/sound_file_open.h"
#include "platform/audio.h"

namespace vr::audio {

namespace {
std::string Seconds(int64_t frames, int rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", double(frames) / rate);
    return text;
}
}  // namespace

SoundFault LoadSoundFile(const std::string& path, PcmData& out, std::string& reason) {
    out = PcmData{};
    OpenedSound sound;
    SoundFault fault = OpenSound(path, sound, reason);
    if (fault != SoundFault::kNone) return fault;
    const SF_INFO& info = sound.info;
    auto tooLong = [&](int64_t frames, const char* more) {
        reason = "the sound lasts " + std::string(more) + Seconds(frames, info.samplerate) + " (" +
                 std::to_string(frames) + " frames at " + std::to_string(info.samplerate) +
                 " Hz); a sound effect holds at most " + std::to_string(kMaxSoundEffectFrames) +
                 " frames (" + Seconds(kMaxSoundEffectFrames, info.samplerate) + "): play it as music";
        return SoundFault::kTooLong;
    };
    if (info.frames > kMaxSoundEffectFrames) return tooLong(info.frames, "");
    // Room for what the header promises; pages are touched only as samples arrive.
    out.samples.reserve(size_t(info.frames) * size_t(info.channels));
    constexpr int64_t kChunk = 16384;
    int64_t got = 0;
    for (;;) {
        // An MP3's length is an estimate: it is read to its end, up to the limit.
        int64_t want = sound.mpeg ? kChunk : std::min(kChunk, info.frames - got);
        if (want <= 0) break;
        out.samples.resize(size_t(got + want) * size_t(info.channels));
        sf_count_t n = sf_readf_float(sound.file, out.samples.data() + got * info.channels, want);
        if (n <= 0) break;
        got += n;
        if (got > kMaxSoundEffectFrames) {
            out = PcmData{};
            return tooLong(got, "more than ");
        }
    }
    out.samples.resize(size_t(got) * size_t(info.channels));
    if ((!sound.mpeg && got < info.frames) || (sound.mpeg && got == 0)) {
        reason = "the file is cut short or damaged: it decodes to " + std::to_string(got) + " of the " +
                 std::to_string(info.frames) + " frames its header promises";
        out = PcmData{};
        return SoundFault::kCut;
    }
    out.rate = info.samplerate;
    out.channels = info.channels;
    return SoundFault::kNone;
}

}  // namespace vr::audio
