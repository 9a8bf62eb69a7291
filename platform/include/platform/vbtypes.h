// Basic values of the language runtime: 16-bit booleans, rounding and checked
// 16/32-bit integer arithmetic (a result out of range is run-time error 6).
#pragma once
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/runtime_error.h"

namespace vr {

// A 16-bit boolean: true is all bits set (-1), false is 0; any non-zero tests true.
using Bool16 = int16_t;
inline constexpr Bool16 kTrue = -1;
inline constexpr Bool16 kFalse = 0;
inline constexpr Bool16 ToBool16(bool b) { return b ? kTrue : kFalse; }
inline constexpr bool IsTrue(int32_t v) { return v != 0; }

// Round to the nearest integer, ties to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Relies on the default floating-point rounding mode (to nearest, ties to even).
inline double RoundHalfEven(double x) { return std::nearbyint(x); }

// The whole part of a number, rounded down (-0.5 -> -1).
inline double WholePart(double x) { return std::floor(x); }

// A fraction converted to a 16-bit / 32-bit integer (ties to even); out of range raises 6.
int16_t CInt(double x);
int32_t CLng(double x);
// Whole part as a 16-bit integer; out of range raises 6.
int16_t Int16Floor(double x);

// Range-checked conversions of wider integers.
int16_t CheckedNarrow16(int64_t v);
int32_t CheckedNarrow32(int64_t v);

// Checked arithmetic; results out of range raise 6, division by zero raises 11.
inline int16_t Add16(int32_t a, int32_t b) { return CheckedNarrow16(int64_t(a) + b); }
inline int16_t Sub16(int32_t a, int32_t b) { return CheckedNarrow16(int64_t(a) - b); }
inline int16_t Mul16(int32_t a, int32_t b) { return CheckedNarrow16(int64_t(a) * b); }
inline int16_t Neg16(int32_t a) { return CheckedNarrow16(-int64_t(a)); }
int16_t IntDiv16(int32_t a, int32_t b);  // integer division, truncating towards zero
inline int32_t Add32(int64_t a, int64_t b) { return CheckedNarrow32(a + b); }
inline int32_t Sub32(int64_t a, int64_t b) { return CheckedNarrow32(a - b); }
// Floating division that raises 11 on a zero divisor, as the runtime's "/" does.
double CheckedDivide(double a, double b);

}  // namespace vr
