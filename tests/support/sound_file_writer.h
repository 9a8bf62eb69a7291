// Writes test music in the formats libsndfile encodes here: MP3, Ogg Vorbis,
// Opus, FLAC and WAV, from a generator of interleaved frames.
#pragma once
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vr::testing {

// libsndfile's major format and encoding for a file name's extension (0 when unknown).
inline int SoundFormatOf(const std::string& path) {
    auto ends = [&](const char* ext) {
        std::string e = ext;
        return path.size() >= e.size() && path.compare(path.size() - e.size(), e.size(), e) == 0;
    };
    if (ends(".mp3")) return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    if (ends(".ogg")) return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    if (ends(".opus")) return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    if (ends(".flac")) return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    if (ends(".wav")) return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    return 0;
}

// Writes `frames` frames; `frame(i, out)` fills frame i's channels. False when
// libsndfile cannot write the format.
inline bool WriteSoundFile(const std::string& path, int rate, int channels, int64_t frames,
                           const std::function<void(int64_t, float*)>& frame) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SoundFormatOf(path);
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    std::vector<float> block(size_t(4096) * size_t(channels));
    bool ok = true;
    for (int64_t at = 0; at < frames && ok;) {
        int64_t n = std::min<int64_t>(4096, frames - at);
        for (int64_t i = 0; i < n; ++i) frame(at + i, &block[size_t(i) * size_t(channels)]);
        ok = sf_writef_float(f, block.data(), n) == n;
        at += n;
    }
    return sf_close(f) == 0 && ok;
}

// A stereo sine tone with its own amplitude on each side.
inline bool WriteStereoTone(const std::string& path, int rate, double hz, double seconds, double left,
                            double right) {
    return WriteSoundFile(path, rate, 2, int64_t(std::llround(rate * seconds)), [&](int64_t i, float* out) {
        double s = std::sin(2 * M_PI * hz * double(i) / rate + 0.25 * M_PI);
        out[0] = float(left * s);
        out[1] = float(right * s);
    });
}

}  // namespace vr::testing
