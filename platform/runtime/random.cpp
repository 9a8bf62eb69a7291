// The generator is the classic 24-bit linear congruential generator of the
// BASIC runtimes: state = (state * 1140671485 + 12820163) mod 2^24, and each
// value is state / 2^24.
#include "platform/random.h"

#include <cstring>
#include <ctime>

#include "platform/kernel.h"
#include "platform/replay.h"
#include "platform/vbtypes.h"

namespace vr {

namespace {
constexpr uint32_t kMask = 0xFFFFFF;
uint32_t g_state = 0x50000;  // the runtime's documented starting state
bool g_frozen = false;

uint32_t Step(uint32_t s) { return (s * 1140671485u + 12820163u) & kMask; }
}  // namespace

float Rnd() {
    g_state = Step(g_state);
    return static_cast<float>(g_state) / 16777216.0f;
}

void RandomizeFromClock() {
    if (g_frozen) return;
    float f = replay::seam::Timer(Timer());
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    // Mix the seed bits into the middle of the state and keep the low byte.
    uint32_t mixed = ((bits & 0xFFFF) ^ (bits >> 16)) << 8;
    g_state = (mixed | (g_state & 0xFF)) & kMask;
}

void RandomizeFromKey(int16_t key) {
    // A negative argument to the generator restarts it from the bits of that
    // single-precision number; the key is negated first.
    int16_t negated = Neg16(key);
    float f = static_cast<float>(negated);
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    uint32_t s = (bits + (bits >> 24)) & kMask;
    g_state = Step(s);  // the value of this re-seeding draw is discarded
    // Then the key itself re-seeds the middle bits, as the runtime's Randomize does.
    float k = static_cast<float>(key);
    std::memcpy(&bits, &k, sizeof bits);
    uint32_t mixed = ((bits & 0xFFFF) ^ (bits >> 16)) << 8;
    g_state = (mixed | (g_state & 0xFF)) & kMask;
}

void SetRandomState(uint32_t state) { g_state = state & kMask; }
uint32_t GetRandomState() { return g_state; }
void FreezeClockSeeding(bool frozen) { g_frozen = frozen; }

}  // namespace vr
