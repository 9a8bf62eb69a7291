// The game's sound vocabulary: the thirteen registrations and the plays.
#pragma once
#include <string>

namespace game {

// The thirteen CreateSound calls, in order.
void RegisterSounds();
// Plays a cue through the library with all five arguments given.
void PlayCue(const std::string& key, bool loop = false, int volume = 100, int pan = 0, int frequency = 0);

}  // namespace game
