#include "platform/variant.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace vr {

namespace {

std::string FormatFloat(double v, int significant) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", significant, v);
    std::string s = buf;
    if (s == "-0") s = "0";
    return s;
}

template <class... F>
struct Overload : F... {
    using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

}  // namespace

bool ParseNumericText(const std::string& text, double& out) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    if (b == e) return false;
    std::string t = text.substr(b, e - b);
    if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h' || t[1] == 'O' || t[1] == 'o')) {
        int base = (t[1] == 'H' || t[1] == 'h') ? 16 : 8;
        uint64_t v = 0;
        for (size_t i = 2; i < t.size(); ++i) {
            int d = std::isdigit(static_cast<unsigned char>(t[i])) ? t[i] - '0'
                    : std::isxdigit(static_cast<unsigned char>(t[i])) ? (std::tolower(t[i]) - 'a' + 10)
                                                                       : 99;
            if (d >= base) return false;
            v = v * base + d;
            if (v > 0xFFFFFFFFull) return false;
        }
        out = static_cast<double>(v);
        return true;
    }
    size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    size_t digits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < t.size() && std::isdigit(static_cast<unsigned char>(t[j]))) ++j, ++expDigits;
        if (expDigits == 0) return false;
        i = j;
    }
    if (i != t.size()) return false;
    out = std::strtod(t.c_str(), nullptr);
    return true;
}

std::string Str(int64_t value) { return std::to_string(value); }

std::string FormatZeros(int64_t value, int digits) {
    bool negative = value < 0;
    uint64_t magnitude = negative ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    std::string d = std::to_string(magnitude);
    if (static_cast<int>(d.size()) < digits) d.insert(0, digits - d.size(), '0');
    return negative ? "-" + d : d;
}

std::string Variant::ToText() const {
    return std::visit(Overload{
                          [](const Empty&) { return std::string(); },
                          [](int16_t v) { return Str(v); },
                          [](int32_t v) { return Str(v); },
                          [](float v) { return FormatFloat(v, 7); },
                          [](double v) { return FormatFloat(v, 15); },
                          [](const BoolValue& b) { return std::string(b.value ? "True" : "False"); },
                          [](const std::string& s) { return s; },
                      },
                      v_);
}

double Variant::ToNumber() const {
    return std::visit(Overload{
                          [](const Empty&) { return 0.0; },
                          [](int16_t v) { return double(v); },
                          [](int32_t v) { return double(v); },
                          [](float v) { return double(v); },
                          [](double v) { return v; },
                          [](const BoolValue& b) { return double(b.value); },
                          [](const std::string& s) {
                              double d = 0;
                              if (!ParseNumericText(s, d)) Raise(kErrTypeMismatch);
                              return d;
                          },
                      },
                      v_);
}

int16_t Variant::ToInt16() const { return CInt(ToNumber()); }
int32_t Variant::ToInt32() const { return CLng(ToNumber()); }

}  // namespace vr
