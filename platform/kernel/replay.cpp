#include "platform/replay.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernel/replay_stream.h"

namespace vr::replay {

using namespace coding;

static_assert(int(kEventKeyDown) == int(kEventFirst) + int(seam::kKeyDown) &&
              int(kEventDeactivate) == int(kEventFirst) + int(seam::kDeactivate));

namespace {

struct State {
    Mode mode = Mode::kOff;
    int suspended = 0;
    // Recording.
    std::string recorded;
    uint32_t recordedFrames = 0;
    // Playback.
    std::string played;
    Reader in;
    uint32_t totalFrames = 0;
    uint32_t playedFrames = 0;
    bool everyHash = true;
    bool over = false;
    std::string fault;
    // Shared: the last values, which the next reading is coded against.
    int32_t lastTick = 0;
    uint32_t lastTimerBits = 0;
    int32_t lastTarget = 0;
    int lastX = 0, lastY = 0;
    bool delivering = false;
};
State g;
void (*g_deliver)() = nullptr;
void (*g_stopHandler)() = nullptr;

// VR_REPLAY_TRACE=1 writes every reading to standard error (finding where a playback departs).
bool Tracing() {
    static const bool on = std::getenv("VR_REPLAY_TRACE") != nullptr;
    return on;
}
void Trace(const char* what, long long value) {
    if (Tracing())
        std::fprintf(stderr, "[replay %s] %s %lld\n", g.mode == Mode::kPlaying ? "play" : "rec", what, value);
}

void ResetShared() {
    g.lastTick = 0;
    g.lastTimerBits = 0;
    g.lastTarget = 0;
    g.lastX = g.lastY = 0;
}

void Fail(const std::string& why) {
    if (g.fault.empty()) g.fault = why + " (frame " + std::to_string(g.playedFrames) + ")";
    g.over = true;
}

// Playback: delivers the events at the head of the stream, so that events
// that arrived where this playback has no pump reach the handlers before the
// next reading, as they did when recorded.
void DeliverHead() {
    if (g.delivering || !g_deliver) return;
    g.delivering = true;
    g_deliver();
    g.delivering = false;
}

// Playback: the next item must carry `tag`; false (and the playback over) when not.
bool Expect(uint8_t tag) {
    if (g.over) return false;
    DeliverHead();
    if (g.over) return false;
    if (g.in.AtEnd()) {
        g.over = true;
        return false;
    }
    uint8_t have = uint8_t((*g.in.bytes)[g.in.pos]);
    bool frameTag = tag == kFrame;
    if (frameTag ? (have != kFrame && have != kFrameChecked) : have != tag) {
        Fail(std::string("the game asked for ") + TagName(tag) + " where the replay holds " + TagName(have));
        return false;
    }
    ++g.in.pos;
    return true;
}

}  // namespace

// ---- recording and playback ----

Mode CurrentMode() { return g.mode; }

void StartRecording() {
    g = State{};
    g.mode = Mode::kRecording;
    ResetShared();
}

const std::string& RecordedStream() { return g.recorded; }
uint32_t RecordedFrames() { return g.recordedFrames; }

void StartPlaying(const std::string& stream, uint32_t frames, bool everyHash) {
    g = State{};
    g.mode = Mode::kPlaying;
    g.everyHash = everyHash;
    g.played = stream;
    g.in = Reader{&g.played};
    g.totalFrames = frames;
    ResetShared();
}

bool PlaybackOver() {
    if (g.mode != Mode::kPlaying) return true;
    DeliverHead();
    if (g.in.AtEnd()) g.over = true;
    return g.over;
}

const std::string& PlaybackFault() { return g.fault; }
uint32_t PlayedFrames() { return g.playedFrames; }

void Stop() {
    std::string fault = g.fault;
    g = State{};
    g.fault = fault;
}

void Frame(uint32_t stateHash, bool keep) {
    Trace("frame", stateHash);
    if (g.mode == Mode::kRecording) {
        bool checked = keep || g.recordedFrames % kCheckEvery == kCheckEvery - 1;
        g.recorded.push_back(char(checked ? kFrameChecked : kFrame));
        if (checked) PutU32(g.recorded, stateHash);
        ++g.recordedFrames;
    } else if (g.mode == Mode::kPlaying) {
        if (!Expect(kFrame)) return;
        if (uint8_t((*g.in.bytes)[g.in.pos - 1]) == kFrameChecked) {
            uint32_t recorded = g.in.U32();
            if (recorded != stateHash) {
                Fail("the run departs from its recording");
                return;
            }
        } else if (g.everyHash && (g.playedFrames % kCheckEvery == kCheckEvery - 1 ||
                                   g.playedFrames + 1 == g.totalFrames)) {
            // A hash the recording keeps is missing: nothing here could be checked.
            Fail("the replay lacks the state hash of this frame");
            return;
        }
        ++g.playedFrames;
    }
}

SuspendReadings::SuspendReadings() { ++g.suspended; }
SuspendReadings::~SuspendReadings() { --g.suspended; }

void SetStopRequestHandler(void (*handler)()) { g_stopHandler = handler; }
void RequestStop() {
    if (g_stopHandler) g_stopHandler();
}

namespace seam {

int32_t Tick(int32_t live) {
    if (g.suspended) return live;
    Trace("tick", g.mode == Mode::kRecording ? live : 0);
    if (g.mode == Mode::kRecording) {
        g.recorded.push_back(char(kTick));
        PutVarint(g.recorded, ZigZag(int32_t(uint32_t(live) - uint32_t(g.lastTick))));
        g.lastTick = live;
    } else if (g.mode == Mode::kPlaying) {
        if (Expect(kTick)) {
            int32_t delta = g.in.Signed();
            if (!g.in.ok) Fail("the replay is damaged");
            else g.lastTick = int32_t(uint32_t(g.lastTick) + uint32_t(delta));
        }
        return g.lastTick;
    }
    return live;
}

float Timer(float live) {
    uint32_t bits;
    std::memcpy(&bits, &live, sizeof bits);
    if (g.suspended) return live;
    Trace("timer", bits);
    if (g.mode == Mode::kRecording) {
        g.recorded.push_back(char(kTimer));
        PutVarint(g.recorded, ZigZag(int32_t(bits - g.lastTimerBits)));
        g.lastTimerBits = bits;
    } else if (g.mode == Mode::kPlaying) {
        if (Expect(kTimer)) {
            int32_t delta = g.in.Signed();
            if (!g.in.ok) Fail("the replay is damaged");
            else g.lastTimerBits += uint32_t(delta);
        }
        float recorded;
        std::memcpy(&recorded, &g.lastTimerBits, sizeof recorded);
        return recorded;
    }
    return live;
}

std::string DialogAnswer(const std::function<std::string()>& ask) {
    if (g.mode == Mode::kPlaying && !g.suspended) {
        std::string answer;
        if (Expect(kDialog)) {
            answer = g.in.Text(kLongestText);
            if (!g.in.ok) Fail("the replay is damaged");
        }
        return answer;
    }
    std::string answer = ask();
    if (g.mode == Mode::kRecording && !g.suspended) {
        g.recorded.push_back(char(kDialog));
        PutText(g.recorded, answer.substr(0, kLongestText));
    }
    return answer;
}

void NoteEvent(const Event& e) {
    if (g.mode != Mode::kRecording) return;
    Trace("event", e.kind * 1000000 + e.x * 1000 + e.y);
    g.recorded.push_back(char(int(kEventFirst) + int(e.kind)));
    bool same = e.target == g.lastTarget;
    g.recorded.push_back(char((e.kind >= kKeyDown ? 0 : (e.button & 7)) | ((e.shift & 7) << 3) | (same ? kSameTarget : 0)));
    if (!same) PutVarint(g.recorded, ZigZag(e.target));
    g.lastTarget = e.target;
    if (e.kind == kDeactivate) return;
    if (e.kind >= kKeyDown) {
        PutVarint(g.recorded, uint32_t(e.button));
        return;
    }
    PutVarint(g.recorded, ZigZag(e.x - g.lastX));
    PutVarint(g.recorded, ZigZag(e.y - g.lastY));
    g.lastX = e.x;
    g.lastY = e.y;
}

bool NextEvent(Event& e) {
    if (g.mode != Mode::kPlaying || g.over || g.in.AtEnd()) return false;
    uint8_t tag = uint8_t((*g.in.bytes)[g.in.pos]);
    if (tag < kEventFirst || tag > kEventLast) return false;
    ++g.in.pos;
    e = Event{};
    e.kind = EventKind(tag - kEventFirst);
    uint8_t packed = g.in.Byte();
    e.shift = (packed >> 3) & 7;
    e.target = (packed & kSameTarget) ? g.lastTarget : g.in.Signed();
    g.lastTarget = e.target;
    if (e.kind == kDeactivate) {
    } else if (e.kind >= kKeyDown) {
        e.button = int(g.in.Varint(5));
    } else {
        e.button = packed & 7;
        e.x = g.lastX = g.lastX + g.in.Signed();
        e.y = g.lastY = g.lastY + g.in.Signed();
    }
    if (!g.in.ok) {
        Fail("the replay is damaged");
        return false;
    }
    Trace("event", e.kind * 1000000 + e.x * 1000 + e.y);
    return true;
}

void SetDeliverer(void (*deliver)()) { g_deliver = deliver; }

}  // namespace seam

}  // namespace vr::replay
