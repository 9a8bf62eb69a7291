// Setting the manual clock (platform/kernel.h) by hand, for tests. Not installed.
#pragma once
#include <cstdint>

namespace vr {

// Puts the manual clock at ns nanoseconds.
void SetManualClockNs(int64_t ns);
// Moves the manual clock on by ns nanoseconds.
void AdvanceManualClock(int64_t ns);
// Whether the manual clock is on.
bool ManualClockOn();

}  // namespace vr
