// The runtime's one pseudo-random generator, shared by everything in the
// process: uniform values in [0, 1), re-seeded from the clock or from a key.
#pragma once
#include <cstdint>

namespace vr {

// Next value in [0, 1).
float Rnd();
// Re-seeds from the system clock.
void RandomizeFromClock();
// Re-seeds with a repeatable seed derived from a 16-bit key: the same key
// always restarts the same sequence. The derivation negates the key, so the
// key -32768 raises run-time error 6.
void RandomizeFromKey(int16_t key);
// Sets the raw generator state (tests and replays).
void SetRandomState(uint32_t state);
uint32_t GetRandomState();
// While frozen, RandomizeFromClock leaves the sequence alone, so a test or a
// replay with a fixed seed stays repeatable.
void FreezeClockSeeding(bool frozen);

}  // namespace vr
