// The library's sample sounds, for its examples, tests and demo.
#pragma once
#include <string>

namespace samples {

// blip.wav, laser.wav and chime.wav (sound effects) and tune.ogg (a 32-second
// piece of music in Ogg Vorbis).
void WriteSounds(const std::string& folder);

}  // namespace samples
