// Setting the manual clock (platform/kernel.h) by hand, for tests. Not
// installed, and built only with VR_TEST_SEAMS.
#pragma once
#include <cstdint>

namespace vr {

// Puts the manual clock at ns nanoseconds.
void SetManualClockNs(int64_t ns);
// Moves the manual clock on by ns nanoseconds.
void AdvanceManualClock(int64_t ns);

}  // namespace vr
