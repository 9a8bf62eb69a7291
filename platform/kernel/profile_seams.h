// What the profile functions' file store lets tests and benchmarks see and provoke
// (private to the platform: not installed with its public headers).
#pragma once
#include <cstdint>

namespace vr {

// Number of whole profile files parsed since the process started.
uint64_t ProfileParseCount();
// Makes every later file read of the profile functions fail with an I/O
// error after that many bytes (a damaged disk); a negative count turns it off.
void SimulateProfileReadErrorAfter(int64_t bytes);

}  // namespace vr
