// A value of any kind (the runtime's Variant): empty, 16/32-bit integer,
// 32/64-bit float, boolean or text, with the conversions the programs use.
#pragma once
#include <cstdint>
#include <string>
#include <variant>

#include "platform/vbtypes.h"

namespace vr {

struct Empty {
    bool operator==(const Empty&) const = default;
};

// The boolean alternative keeps a 16-bit boolean apart from a 16-bit integer.
struct BoolValue {
    Bool16 value = kFalse;
    bool operator==(const BoolValue&) const = default;
};

class Variant {
public:
    using Storage = std::variant<Empty, int16_t, int32_t, float, double, BoolValue, std::string>;

    Variant() = default;
    Variant(int16_t v) : v_(v) {}
    Variant(int32_t v) : v_(v) {}
    Variant(float v) : v_(v) {}
    Variant(double v) : v_(v) {}
    Variant(BoolValue v) : v_(v) {}
    Variant(std::string v) : v_(std::move(v)) {}
    Variant(const char* v) : v_(std::string(v)) {}
    static Variant Boolean(bool b) { return Variant(BoolValue{ToBool16(b)}); }

    const Storage& storage() const { return v_; }

    // Text form: integers in plain decimal without a leading space, floats in
    // their shortest general form, booleans as "True"/"False", empty as "".
    std::string ToText() const;
    // Numeric value; numeric text is parsed, other text raises 13.
    double ToNumber() const;
    // Integers rounded ties-to-even; out of range raises 6, non-numeric text 13.
    int16_t ToInt16() const;
    int32_t ToInt32() const;

    bool operator==(const Variant&) const = default;

private:
    Storage v_;
};

// Parses numeric text as the runtime does (surrounding spaces allowed, a sign,
// digits with an optional fraction and exponent, or &H hexadecimal); false when
// it is not a number.
bool ParseNumericText(const std::string& text, double& out);

// Formats a number with a digit pattern of zeros: "0000" gives at least four
// digits with leading zeros (negative numbers keep their sign in front).
std::string FormatZeros(int64_t value, int digits);

// Plain decimal text of an integer, without a leading space.
std::string Str(int64_t value);

}  // namespace vr
