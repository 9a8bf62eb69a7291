// Hand-edits a replay the way a cheat would: one mouse movement in the middle
// of the recording moves 40 pixels further right; the file stays well formed.
//   replay_tamper IN OUT
#include <cstdio>
#include <string>

#include "kernel/replay_stream.h"
#include "platform/replay.h"

using namespace vr::replay;
using namespace vr::replay::coding;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: replay_tamper IN OUT\n");
        return 2;
    }
    Replay replay;
    std::string why;
    if (!Load(argv[1], replay, why)) {
        std::fprintf(stderr, "replay_tamper: %s\n", why.c_str());
        return 1;
    }
    // Walks the items; the first mouse movement past the middle frame whose
    // horizontal step is one byte, and stays one byte 40 pixels further, changes.
    Reader r{&replay.stream};
    uint32_t frames = 0;
    const int move = int(kEventFirst) + int(seam::kMouseMove);
    while (!r.AtEnd() && r.ok) {
        uint8_t tag = r.Byte();
        if (tag == kFrame || tag == kFrameChecked) {
            ++frames;
            if (tag == kFrameChecked) r.U32();
        } else if (tag == kTick || tag == kTimer) {
            r.Varint(5);
        } else if (tag == kDialog) {
            r.Text(1 << 20);
        } else if (tag >= kEventFirst && tag <= kEventLast) {
            if (!(r.Byte() & kSameTarget)) r.Varint(5);
            if (tag == int(kEventFirst) + int(seam::kDeactivate)) continue;
            size_t dxAt = r.pos;
            uint64_t dx = r.Varint(5);
            if (tag < int(kEventFirst) + int(seam::kKeyDown)) r.Varint(5);
            uint32_t changed = ZigZag(UnZigZag(uint32_t(dx)) + 40);
            if (tag == move && frames > replay.frames / 2 && dx < 0x80 && changed < 0x80) {
                replay.stream[dxAt] = char(changed);
                if (!Save(argv[2], replay, why)) {
                    std::fprintf(stderr, "replay_tamper: %s\n", why.c_str());
                    return 1;
                }
                std::printf("moved the mouse movement at byte %zu of frame %u by 40 pixels\n", dxAt, frames);
                return 0;
            }
        } else {
            break;
        }
    }
    std::fprintf(stderr, "replay_tamper: no mouse movement to change\n");
    return 1;
}
