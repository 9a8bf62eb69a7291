#include "score_protocol.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace score_protocol {

namespace {

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Decodes into `out`; a broken escape ends it with false when `strict`, and
// is kept as it stands otherwise.
bool Decode(const std::string& in, std::string& out, bool strict) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '%' && i + 2 < in.size() && Hex(in[i + 1]) >= 0 && Hex(in[i + 2]) >= 0) {
            out += char(Hex(in[i + 1]) * 16 + Hex(in[i + 2]));
            i += 2;
        } else if (in[i] == '%' && strict) {
            return false;
        } else {
            out += in[i];
        }
    }
    return true;
}

bool ParseScore(const std::string& text, int32_t& out) {
    if (text.empty() || text.size() > 11) return false;
    size_t i = (text[0] == '-') ? 1 : 0;
    if (i == text.size()) return false;
    for (size_t k = i; k < text.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(text[k]))) return false;
    long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int32_t>(v);
    return true;
}

}  // namespace

std::string PageTarget() { return std::string(kPagePath) + "?game=" + kGameId; }

std::string UploadTarget(const std::string& encodedName, int32_t score, bool counter) {
    std::string s = std::to_string(score);
    return std::string(kUploadPath) + "?nname=" + encodedName + "&nscore=" + s + "&nreplay=" + s +
           (counter ? "&counter=true" : "");
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

bool PercentDecode(const std::string& in, std::string& out) { return Decode(in, out, true); }

std::string PercentDecodeLenient(const std::string& in) {
    std::string out;
    Decode(in, out, false);
    return out;
}

UploadRequest ParseUpload(const std::string& rawQuery) {
    UploadRequest r;
    if (rawQuery.size() > kMaxQueryBytes) {
        r.error = "the query is longer than 2 KiB";
        return r;
    }
    bool haveName = false, haveScore = false;
    std::stringstream parts(rawQuery);
    std::string part;
    while (std::getline(parts, part, '&')) {
        size_t eq = part.find('=');
        std::string key = part.substr(0, eq), raw = eq == std::string::npos ? "" : part.substr(eq + 1), value;
        if (!PercentDecode(raw, value)) {
            r.error = "a broken percent escape in " + key;
            return r;
        }
        if (key == "nname" && !haveName) {
            r.name = value;
            haveName = true;
        } else if (key == "nscore" && !haveScore) {
            if (!ParseScore(value, r.score)) {
                r.error = "nscore is not a whole number";
                return r;
            }
            haveScore = true;
        } else if (key == "counter") {
            r.counter = value == "true";
        }
    }
    if (!haveName) r.error = "nname is missing";
    else if (!haveScore) r.error = "nscore is missing";
    else if (r.name.empty()) r.error = "the name is empty";
    else if (r.name.size() > kMaxNameBytes) r.error = "the name is longer than 254 bytes";
    else if (r.score < 0 || r.score > kMaxScore) r.error = "nscore must be from 0 to " + std::to_string(kMaxScore);
    else r.ok = true;
    return r;
}

}  // namespace score_protocol
