// %XX escapes, shared by the top-ten file and the upload's query.
#pragma once
#include <string>

namespace game {

// Writes every byte for which keep() is false as %XX (capital hex digits).
template <class Keep>
std::string PercentEncode(const std::string& bytes, Keep keep) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (keep(c)) {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

}  // namespace game
