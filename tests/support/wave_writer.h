// Writes small test sounds as 16-bit PCM wave files.
#pragma once
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace vr::testing {

inline void WriteWave16(const std::string& path, int rate, int channels, const std::vector<float>& samples) {
    std::ofstream f(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    uint32_t dataBytes = uint32_t(samples.size() * 2);
    f.write("RIFF", 4);
    u32(36 + dataBytes);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(uint16_t(channels));
    u32(uint32_t(rate));
    u32(uint32_t(rate * channels * 2));
    u16(uint16_t(channels * 2));
    u16(16);
    f.write("data", 4);
    u32(dataBytes);
    for (float s : samples) {
        float c = s > 1 ? 1 : s < -1 ? -1 : s;
        int16_t v = int16_t(std::lround(c * 32767));
        f.write(reinterpret_cast<const char*>(&v), 2);
    }
}

// A mono sine tone.
inline std::vector<float> Tone(int rate, double hz, double seconds, double amplitude = 0.5) {
    std::vector<float> s(size_t(rate * seconds));
    for (size_t i = 0; i < s.size(); ++i) s[i] = float(amplitude * std::sin(2 * M_PI * hz * double(i) / rate));
    return s;
}

}  // namespace vr::testing
