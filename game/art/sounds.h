// The game's twelve sound files, synthesised.
#pragma once
#include <string>
#include <vector>

namespace art {

struct Sound {
    std::string file;  // "fire1.wav", ...
    int rate;
    std::vector<float> samples;  // mono
};

std::vector<Sound> MakeSounds();
// Writes a mono 16-bit PCM wave file; false on failure.
bool WriteWave(const std::string& path, const Sound& sound);

}  // namespace art
