#include "sounds.h"

#include <cmath>
#include <cstdio>

#include "canvas.h"

namespace art {

namespace {

constexpr int kRate = 22050;
constexpr float kTwoPi = 6.2831853f;

std::vector<float> Silence(float seconds) { return std::vector<float>(size_t(seconds * kRate), 0.0f); }

// A one-pole low-pass over white noise, the body of explosions and whooshes.
struct NoiseSource {
    Noise n{77};
    float state = 0;
    float Next(float cutoff) {
        float white = n.Range(-1, 1);
        float a = std::clamp(cutoff, 0.0f, 1.0f);
        state += a * (white - state);
        return state;
    }
};

std::vector<float> Explosion(float seconds, float brightness, uint32_t seed) {
    auto s = Silence(seconds);
    NoiseSource src;
    src.n = Noise(seed);
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float env = std::exp(-t * 6.0f / seconds) * std::min(1.0f, t * 400);
        float rumble = std::sin(kTwoPi * (55 - 20 * t) * t) * 0.35f;
        s[i] = (src.Next(brightness * std::exp(-t * 3)) * 2.2f + rumble) * env;
    }
    return s;
}

std::vector<float> Laser() {
    auto s = Silence(0.14f);
    float phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float f = 1900 * std::exp(-t * 18) + 300;
        phase += f / kRate;
        float sq = std::fmod(phase, 1.0f) < 0.5f ? 1.0f : -1.0f;
        s[i] = sq * 0.45f * std::exp(-t * 16) * std::min(1.0f, t * 2000);
    }
    return s;
}

std::vector<float> Boing() {
    auto s = Silence(0.4f);
    float phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float f = 220 + 260 * std::exp(-t * 9) + 25 * std::sin(kTwoPi * 11 * t);
        phase += f / kRate;
        s[i] = std::sin(kTwoPi * phase) * 0.7f * std::exp(-t * 7);
    }
    return s;
}

std::vector<float> Tones(const std::vector<std::pair<float, float>>& notes, float noteSeconds, float decay,
                         float tail = 0.2f) {
    auto s = Silence(notes.size() * noteSeconds + tail);
    for (size_t k = 0; k < notes.size(); ++k) {
        size_t start = size_t(k * noteSeconds * kRate);
        for (size_t i = start; i < s.size(); ++i) {
            float t = float(i - start) / kRate;
            float env = std::exp(-t * decay) * std::min(1.0f, t * 300);
            float f = notes[k].first;
            s[i] += notes[k].second * env * (std::sin(kTwoPi * f * t) + 0.3f * std::sin(kTwoPi * 2 * f * t));
        }
    }
    return s;
}

std::vector<float> Siren() {
    auto s = Silence(1.6f);
    float phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float f = 520 + 280 * std::sin(kTwoPi * 1.6f * t);
        phase += f / kRate;
        float tri = 4 * std::fabs(std::fmod(phase, 1.0f) - 0.5f) - 1;
        s[i] = tri * 0.5f * std::min(1.0f, (1.6f - t) * 4) * std::min(1.0f, t * 50);
    }
    return s;
}

std::vector<float> Whoosh() {
    auto s = Silence(0.28f);
    NoiseSource src;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float env = std::sin(3.14159f * t / 0.28f);
        s[i] = src.Next(0.05f + 0.5f * t / 0.28f) * 2.5f * env * env;
    }
    return s;
}

std::vector<float> Descending() {
    auto s = Silence(0.5f);
    float phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        phase += (660 - 900 * t) / kRate;
        s[i] = std::sin(kTwoPi * phase) * 0.55f * std::min(1.0f, (0.5f - t) * 10);
    }
    return s;
}

std::vector<float> Click() {
    auto s = Silence(0.05f);
    NoiseSource src;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        s[i] = (src.Next(0.8f) + 0.5f * std::sin(kTwoPi * 1800 * t)) * std::exp(-t * 120) * 0.9f;
    }
    return s;
}

// A calm pad that loops without a click: every partial and the slow swell
// complete whole cycles over the loop's length.
std::vector<float> AmbientLoop() {
    const float seconds = 8.0f;
    auto s = Silence(seconds);
    const float partials[][2] = {{55, 0.22f}, {82.5f, 0.16f}, {110, 0.12f}, {165, 0.07f}, {220.125f, 0.05f}, {330, 0.03f}};
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float v = 0;
        for (int k = 0; k < 6; ++k) {
            float f = std::round(partials[k][0] * seconds) / seconds;
            float swell = 0.6f + 0.4f * std::sin(kTwoPi * (k + 1) * t / seconds);
            v += partials[k][1] * swell * std::sin(kTwoPi * f * t + k);
        }
        s[i] = v;
    }
    return s;
}

// Scales a sound to a peak level, leaving headroom for the game's mix of
// many effects over the ambient loop.
std::vector<float> Peak(std::vector<float> s, float peak) {
    float m = 0;
    for (float v : s) m = std::max(m, std::fabs(v));
    if (m > 0)
        for (float& v : s) v *= peak / m;
    return s;
}

}  // namespace

std::vector<Sound> MakeSounds() {
    std::vector<Sound> sounds = {
        {"small_exp.wav", kRate, Explosion(0.7f, 0.35f, 5)},
        {"small_exp2.wav", kRate, Explosion(0.16f, 0.8f, 9)},
        {"fire1.wav", kRate, Laser()},
        {"shield_boing.wav", kRate, Boing()},
        {"bonus.wav", kRate, Tones({{523, 0.3f}, {659, 0.3f}, {784, 0.3f}, {1047, 0.35f}}, 0.07f, 9)},
        {"atomic_end.wav", kRate, Siren()},
        {"bullet_wiz_1.wav", kRate, Whoosh()},
        {"wellcome.wav", kRate, Tones({{262, 0.25f}, {330, 0.25f}, {392, 0.25f}, {523, 0.3f}, {392, 0.2f}, {523, 0.35f}}, 0.16f, 3, 0.8f)},
        {"enemy_miss.wav", kRate, Descending()},
        {"ambient_space.wav", kRate, AmbientLoop()},
        {"event.wav", kRate, Tones({{880, 0.35f}, {1318, 0.3f}}, 0.12f, 5, 0.5f)},
        {"keyboard.wav", kRate, Click()},
    };
    for (auto& snd : sounds) snd.samples = Peak(std::move(snd.samples), snd.file == "ambient_space.wav" ? 0.3f : 0.45f);
    return sounds;
}

bool WriteWave(const std::string& path, const Sound& sound) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    uint32_t bytes = uint32_t(sound.samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(1);
    u32(uint32_t(sound.rate));
    u32(uint32_t(sound.rate * 2));
    u16(2);
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(bytes);
    for (float v : sound.samples) {
        int16_t q = int16_t(std::lround(std::clamp(v, -1.0f, 1.0f) * 32000));
        std::fwrite(&q, 2, 1, f);
    }
    return std::fclose(f) == 0;
}

}  // namespace art
