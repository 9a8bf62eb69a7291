#include "platform/codepage.h"

#include <cstdint>

namespace vr {

namespace {
// Unicode code points of Windows-1252 bytes 0x80..0x9F (0 = undefined there).
constexpr uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t CodePoint(unsigned char b) {
    if (b >= 0x80 && b < 0xA0) return kHigh[b - 0x80] ? kHigh[b - 0x80] : b;
    return b;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int AnsiByte(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp) return 0x80 + i;
    // The bytes Windows-1252 leaves undefined map to themselves (as AnsiToUtf8
    // maps them); the other C1 controls have no byte of their own.
    if (cp >= 0x80 && cp < 0xA0 && kHigh[cp - 0x80] == 0) return static_cast<int>(cp);
    return -1;
}
}  // namespace

std::string AnsiToUtf8(const std::string& ansi) {
    std::string out;
    out.reserve(ansi.size() * 2);
    for (unsigned char b : ansi) AppendUtf8(out, CodePoint(b));
    return out;
}

std::string Utf8ToAnsi(const std::string& utf8) {
    std::string out;
    size_t i = 0, n = utf8.size();
    while (i < n) {
        unsigned char c = utf8[i];
        uint32_t cp;
        size_t len;
        if (c < 0x80) {
            cp = c, len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F, len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F, len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07, len = 4;
        } else {
            out += '?';
            ++i;
            continue;
        }
        if (i + len > n) {
            out += '?';
            break;
        }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cc = utf8[i + k];
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        i += ok ? len : 1;
        int b = ok ? AnsiByte(cp) : -1;
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

bool IsUtf8(const std::string& text) {
    size_t i = 0, n = text.size();
    while (i < n) {
        unsigned char c = text[i];
        size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || i + len > n) return false;
        uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1Fu) : len == 3 ? (c & 0x0Fu) : (c & 0x07u);
        for (size_t k = 1; k < len; ++k) {
            unsigned char cc = text[i + k];
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3Fu);
        }
        // The shortest form only, no surrogates, nothing past U+10FFFF.
        static constexpr uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[len] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
        i += len;
    }
    return true;
}

std::string AnsiFromUtf8OrAnsi(const std::string& text) { return IsUtf8(text) ? Utf8ToAnsi(text) : text; }

std::string AnsiLower(const std::string& ansi) {
    std::string out = ansi;
    for (char& ch : out) {
        unsigned char c = ch;
        if (c >= 'A' && c <= 'Z') c = c + 32;
        else if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) c = c + 32;
        else if (c == 0x8A || c == 0x8C || c == 0x8E) c = c + 16;
        else if (c == 0x9F) c = 0xFF;
        ch = static_cast<char>(c);
    }
    return out;
}

}  // namespace vr
