// The byte coding of a replay's readings: a tag byte per item, numbers as
// LEB128 varints, signed values zigzag-coded, clock readings as differences
// from the reading before, mouse positions from the position before.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

namespace vr::replay::coding {

enum Tag : uint8_t {
    kFrame = 0,
    kFrameChecked = 1,  // followed by a 32-bit state hash
    kTick = 2,
    kTimer = 3,
    kEventFirst = 4,  // 4 + EventKind
    kEventKeyDown = 7,     // 4 + kKeyDown: key events from here on carry a key code
    kEventDeactivate = 9,  // 4 + kDeactivate: carries nothing more
    kEventLast = 9,
    kDialog = 10,
};

inline const char* TagName(int tag) {
    switch (tag) {
        case kFrame:
        case kFrameChecked: return "a frame boundary";
        case kTick: return "a tick-count reading";
        case kTimer: return "a Timer reading";
        case kDialog: return "a dialog answer";
        default: return tag >= kEventFirst && tag <= kEventLast ? "an input event" : "an unknown item";
    }
}

inline uint32_t ZigZag(int32_t v) { return (uint32_t(v) << 1) ^ uint32_t(v >> 31); }
inline int32_t UnZigZag(uint32_t v) { return int32_t(v >> 1) ^ -int32_t(v & 1); }

inline void PutVarint(std::string& out, uint64_t v) {
    while (v >= 0x80) {
        out.push_back(char(uint8_t(v) | 0x80));
        v >>= 7;
    }
    out.push_back(char(uint8_t(v)));
}
inline void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char(uint8_t(v >> (8 * i))));
}
inline void PutText(std::string& out, const std::string& s) {
    PutVarint(out, s.size());
    out += s;
}

// Reads items from bytes; every read checks the end, a failed read leaves ok false.
struct Reader {
    const std::string* bytes = nullptr;
    size_t pos = 0;
    bool ok = true;

    bool AtEnd() const { return pos >= bytes->size(); }
    uint8_t Byte() {
        if (pos >= bytes->size()) {
            ok = false;
            return 0;
        }
        return uint8_t((*bytes)[pos++]);
    }
    uint64_t Varint(int maxBytes = 10) {
        uint64_t v = 0;
        for (int i = 0; i < maxBytes; ++i) {
            uint8_t b = Byte();
            if (!ok) return 0;
            v |= uint64_t(b & 0x7F) << (7 * i);
            if (!(b & 0x80)) return v;
        }
        ok = false;
        return 0;
    }
    uint32_t U32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(Byte()) << (8 * i);
        return v;
    }
    int32_t Signed() { return UnZigZag(uint32_t(Varint(5))); }
    std::string Text(size_t limit) {
        uint64_t n = Varint();
        if (!ok || n > limit || n > bytes->size() - pos) {
            ok = false;
            return {};
        }
        std::string s = bytes->substr(pos, size_t(n));
        pos += size_t(n);
        return s;
    }
};

// The longest text item (a dialog answer, a name).
inline constexpr size_t kLongestText = 4096;

// An event's second byte: button (3 bits), shift (3 bits), target unchanged (1 bit).
inline constexpr uint8_t kSameTarget = 0x40;

// One item of a stream: its tag and where it lies (bytes [start, end)).
struct Item {
    uint8_t tag = 0;
    size_t start = 0, end = 0;
};
// Reads the item at the reader's position; false at the end of the stream,
// for an unknown tag (r.pos is then past it) or an item cut short (r.ok false).
inline bool NextItem(Reader& r, Item& item) {
    if (r.AtEnd()) return false;
    item.start = r.pos;
    item.tag = r.Byte();
    switch (item.tag) {
        case kFrame: break;
        case kFrameChecked: r.U32(); break;
        case kTick:
        case kTimer: r.Varint(5); break;
        case kDialog: r.Text(kLongestText); break;
        default:
            if (item.tag < kEventFirst || item.tag > kEventLast) return false;
            if (!(r.Byte() & kSameTarget)) r.Varint(5);
            if (item.tag == kEventDeactivate) break;
            r.Varint(5);                                // a key code, or the horizontal step
            if (item.tag < kEventKeyDown) r.Varint(5);  // the vertical step
    }
    item.end = r.pos;
    return r.ok;
}

}  // namespace vr::replay::coding
