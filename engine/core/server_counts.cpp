#include "core/server_counts.h"

namespace korva2d {

vr::com::ServerCounts& ServerObjectCounts() {
    static vr::com::ServerCounts counts;
    return counts;
}

}  // namespace korva2d
