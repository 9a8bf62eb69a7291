#include <cmath>

#include "platform/vbtypes.h"

namespace vr {

int16_t CheckedNarrow16(int64_t v) {
    if (v < INT16_MIN || v > INT16_MAX) Raise(kErrOverflow);
    return static_cast<int16_t>(v);
}

int32_t CheckedNarrow32(int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) Raise(kErrOverflow);
    return static_cast<int32_t>(v);
}

static int64_t CheckedRange(double r, double lo, double hi) {
    if (std::isnan(r) || r < lo || r > hi) Raise(kErrOverflow);
    return static_cast<int64_t>(r);
}

int16_t CInt(double x) { return static_cast<int16_t>(CheckedRange(RoundHalfEven(x), INT16_MIN, INT16_MAX)); }
int32_t CLng(double x) { return static_cast<int32_t>(CheckedRange(RoundHalfEven(x), INT32_MIN, INT32_MAX)); }
int16_t Int16Floor(double x) { return static_cast<int16_t>(CheckedRange(std::floor(x), INT16_MIN, INT16_MAX)); }

int16_t IntDiv16(int32_t a, int32_t b) {
    if (b == 0) Raise(kErrDivisionByZero);
    return CheckedNarrow16(int64_t(a) / b);
}

double CheckedDivide(double a, double b) {
    if (b == 0.0) Raise(kErrDivisionByZero);
    double r = a / b;
    if (std::isinf(r)) Raise(kErrOverflow);
    return r;
}

}  // namespace vr
