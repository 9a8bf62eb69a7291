#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/com.h"

namespace vr::com {

bool GUID::operator==(const GUID& o) const {
    return Data1 == o.Data1 && Data2 == o.Data2 && Data3 == o.Data3 && std::memcmp(Data4, o.Data4, 8) == 0;
}

const GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::string GuidToString(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

bool GuidFromString(const std::string& text, GUID& out) {
    std::string t = text;
    if (t.size() == 38 && t.front() == '{' && t.back() == '}') t = t.substr(1, 36);
    if (t.size() != 36) return false;
    std::string hex;
    for (size_t i = 0; i < t.size(); ++i) {
        bool dashPos = (i == 8 || i == 13 || i == 18 || i == 23);
        if (dashPos) {
            if (t[i] != '-') return false;
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(t[i]))) return false;
        hex += t[i];
    }
    auto part = [&](size_t from, size_t len) { return std::stoul(hex.substr(from, len), nullptr, 16); };
    out.Data1 = static_cast<uint32_t>(part(0, 8));
    out.Data2 = static_cast<uint16_t>(part(8, 4));
    out.Data3 = static_cast<uint16_t>(part(12, 4));
    for (int i = 0; i < 8; ++i) out.Data4[i] = static_cast<uint8_t>(part(16 + 2 * i, 2));
    return true;
}

}  // namespace vr::com
