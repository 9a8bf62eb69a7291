// Hand-edits a replay the way a cheat would; the file stays well formed.
//   replay_tamper move IN OUT         one mouse movement in the middle of the
//                                     recording moves 40 pixels further right
//   replay_tamper strip IN OUT        every state hash is dropped (checked frames become plain ones)
//   replay_tamper rename NAME IN OUT  the claimed name and every dialog answer become NAME
#include <cstdio>
#include <string>

#include "kernel/replay_stream.h"
#include "platform/replay.h"

using namespace vr::replay;
using namespace vr::replay::coding;

namespace {

// The first mouse movement past the middle frame whose horizontal step is one
// byte, and stays one byte 40 pixels further, changes.
bool Move(Replay& replay) {
    Reader r{&replay.stream};
    Item item;
    uint32_t frames = 0;
    while (NextItem(r, item)) {
        if (item.tag == kFrame || item.tag == kFrameChecked) ++frames;
        if (item.tag != int(kEventFirst) + int(seam::kMouseMove) || frames <= replay.frames / 2) continue;
        Reader at{&replay.stream, item.start + 1};
        if (!(at.Byte() & kSameTarget)) at.Varint(5);
        size_t dxAt = at.pos;
        uint64_t dx = at.Varint(5);
        uint32_t changed = ZigZag(UnZigZag(uint32_t(dx)) + 40);
        if (dx < 0x80 && changed < 0x80) {
            replay.stream[dxAt] = char(changed);
            std::printf("moved the mouse movement at byte %zu of frame %u by 40 pixels\n", dxAt, frames);
            return true;
        }
    }
    return false;
}

// Rebuilds the stream item by item, changing some.
template <class Change>
void Rewrite(Replay& replay, Change change) {
    Reader r{&replay.stream};
    Item item;
    std::string out;
    while (NextItem(r, item)) change(item, replay.stream.substr(item.start, item.end - item.start), out);
    replay.stream = out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    int first = mode == "rename" ? 3 : 2;
    if (argc != first + 2 || (mode != "move" && mode != "strip" && mode != "rename")) {
        std::fprintf(stderr, "usage: replay_tamper move|strip IN OUT, or replay_tamper rename NAME IN OUT\n");
        return 2;
    }
    const char* in = argv[first];
    const char* out = argv[first + 1];
    Replay replay;
    std::string why;
    if (!Load(in, replay, why)) {
        std::fprintf(stderr, "replay_tamper: %s\n", why.c_str());
        return 1;
    }
    if (mode == "move" && !Move(replay)) {
        std::fprintf(stderr, "replay_tamper: no mouse movement to change\n");
        return 1;
    }
    if (mode == "strip")
        Rewrite(replay, [](const Item& item, const std::string& bytes, std::string& to) {
            to += item.tag == kFrameChecked ? std::string(1, char(kFrame)) : bytes;
        });
    if (mode == "rename") {
        std::string name = argv[2];
        Rewrite(replay, [&](const Item& item, const std::string& bytes, std::string& to) {
            if (item.tag != kDialog) return void(to += bytes);
            to.push_back(char(kDialog));
            PutText(to, name);
        });
        replay.claim.name = name;
    }
    if (!Save(out, replay, why)) {
        std::fprintf(stderr, "replay_tamper: %s\n", why.c_str());
        return 1;
    }
    return 0;
}
