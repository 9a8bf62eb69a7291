#include "core/library_values.h"

#include <cmath>

namespace korva2d {

LibraryValues& Lib() {
    thread_local LibraryValues values;
    return values;
}

void SetPiAndRad() {
    Lib().Pi = static_cast<float>(4.0 * std::atan(1.0));
    Lib().Rad = static_cast<float>(double(Lib().Pi) / 180.0);
}

}  // namespace korva2d
