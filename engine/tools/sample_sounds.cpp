// The library's sample sounds, synthesised: three effects and a short tune.
#include "sample_sounds.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/runtime_error.h"

namespace samples {

namespace {

constexpr int kRate = 44100;
constexpr double kTwoPi = 6.283185307179586;

void Write(const std::string& path, int format, int channels, const std::vector<float>& frames) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) throw vr::RuntimeError(75, "Cannot write " + path + ": " + sf_strerror(nullptr));
    sf_writef_float(f, frames.data(), sf_count_t(frames.size() / size_t(channels)));
    sf_close(f);
}

std::vector<float> Blip() {
    std::vector<float> s(size_t(0.12 * kRate));
    for (size_t i = 0; i < s.size(); ++i) {
        double t = double(i) / kRate;
        s[i] = float(0.5 * std::sin(kTwoPi * (880 + 1200 * t) * t) * std::exp(-t * 30) * std::min(1.0, t * 800));
    }
    return s;
}

std::vector<float> Laser() {
    std::vector<float> s(size_t(0.25 * kRate));
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = double(i) / kRate;
        phase += (1800 * std::exp(-t * 14) + 200) / kRate;
        double square = std::fmod(phase, 1.0) < 0.5 ? 1 : -1;
        s[i] = float(0.35 * square * std::exp(-t * 10) * std::min(1.0, t * 1000));
    }
    return s;
}

std::vector<float> Chime() {
    std::vector<float> s(size_t(1.2 * kRate));
    const double partials[] = {1, 2.76, 5.4};
    for (size_t i = 0; i < s.size(); ++i) {
        double t = double(i) / kRate, v = 0;
        for (int k = 0; k < 3; ++k) v += std::sin(kTwoPi * 660 * partials[k] * t) * std::exp(-t * (2.5 + 2 * k)) / (k + 1);
        s[i] = float(0.4 * v * std::min(1.0, t * 400));
    }
    return s;
}

// Eight bars of four chords, twice: an arpeggio on the left, a bass on the right, a pad in both.
std::vector<float> Tune() {
    const double seconds = 32, beat = 0.25;
    const int chords[4][3] = {{57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {55, 59, 62}};  // Am F C G
    auto hz = [](double note) { return 440.0 * std::pow(2.0, (note - 69) / 12); };
    std::vector<float> out(size_t(seconds * kRate) * 2);
    for (size_t i = 0; i < out.size() / 2; ++i) {
        double t = double(i) / kRate;
        int bar = int(t / 2) % 4, step = int(t / beat);
        const int* chord = chords[bar];
        double inStep = std::fmod(t, beat);
        double arp = std::sin(kTwoPi * hz(chord[step % 3] + 12) * t) * std::exp(-inStep * 9) * 0.22;
        double inBar = std::fmod(t, 2.0);
        double bass = std::sin(kTwoPi * hz(chord[0] - 12) * t) * (0.5 + 0.5 * std::exp(-std::fmod(t, 0.5) * 6)) * 0.2;
        double pad = 0;
        for (int n = 0; n < 3; ++n) pad += std::sin(kTwoPi * hz(chord[n]) * t + n) * 0.05;
        pad *= std::min(1.0, inBar * 4) * std::min(1.0, (2 - inBar) * 4);
        double fade = std::min({1.0, t, seconds - t});
        out[2 * i] = float((arp * 0.9 + bass * 0.4 + pad) * fade);
        out[2 * i + 1] = float((arp * 0.4 + bass * 0.9 + pad) * fade);
    }
    return out;
}

}  // namespace

void WriteSounds(const std::string& folder) {
    const int wave = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    Write(folder + "/blip.wav", wave, 1, Blip());
    Write(folder + "/laser.wav", wave, 1, Laser());
    Write(folder + "/chime.wav", wave, 1, Chime());
    Write(folder + "/tune.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, Tune());
}

}  // namespace samples
