#pragma once
#include "platform/com.h"

namespace korva2d {
// The live objects and locks of this library, for DllCanUnloadNow.
vr::com::ServerCounts& ServerObjectCounts();
}  // namespace korva2d
