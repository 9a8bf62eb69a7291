#pragma once

namespace vr {
// Initialises libcurl once for the process.
void EnsureCurl();
}  // namespace vr
