#include "platform/replay.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "kernel/replay_stream.h"
#include "kernel/stored_file.h"
#include "platform/regular_file.h"

namespace vr::replay {

using namespace coding;

namespace {

constexpr uint32_t kCheckEvery = 32;
constexpr char kMagic[4] = {'V', 'R', 'R', 'P'};
constexpr size_t kPrefix = 4 + 2 + 4;
constexpr size_t kLongestText = 4096;
constexpr size_t kLongestStartFiles = 256 * 1024;

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

bool Inflate(const std::string& in, size_t expected, std::string& out) {
    out.assign(expected, '\0');
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = uInt(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    int rc = inflate(&z, Z_FINISH);
    bool whole = rc == Z_STREAM_END && z.total_out == expected && z.avail_in == 0;
    inflateEnd(&z);
    return whole;
}

// Checks that every item of a stream is well formed and counts its frames.
bool CheckStream(const std::string& stream, uint32_t& frames, std::string& why) {
    Reader r{&stream};
    frames = 0;
    while (!r.AtEnd() && r.ok) {
        uint8_t tag = r.Byte();
        switch (tag) {
            case kFrame: ++frames; break;
            case kFrameChecked:
                ++frames;
                r.U32();
                break;
            case kTick:
            case kTimer: r.Varint(5); break;
            case kDialog: r.Text(kLongestText); break;
            default:
                if (tag < kEventFirst || tag > kEventLast) {
                    why = "the replay holds an unknown item (" + std::to_string(tag) + ") at byte " +
                          std::to_string(r.pos - 1);
                    return false;
                }
                if (!(r.Byte() & kSameTarget)) r.Varint(5);
                if (tag == int(kEventFirst) + int(seam::kDeactivate)) break;
                if (tag >= int(kEventFirst) + int(seam::kKeyDown)) {
                    r.Varint(5);
                } else {
                    r.Varint(5);
                    r.Varint(5);
                }
        }
        if (frames > kMaxFrames) {
            why = "the replay holds more than " + std::to_string(kMaxFrames) + " frames";
            return false;
        }
    }
    if (!r.ok) {
        why = "the replay's readings end in the middle of an item";
        return false;
    }
    return true;
}

}  // namespace

// ---- files ----

std::string Encode(const Replay& replay) {
    std::string body;
    PutText(body, replay.header.gameVersion);
    PutVarint(body, uint32_t(replay.header.fieldWidth));
    PutVarint(body, uint32_t(replay.header.fieldHeight));
    PutVarint(body, uint64_t(replay.header.startTime));
    PutU32(body, replay.header.randomState);
    PutText(body, replay.header.startFiles);
    PutVarint(body, uint32_t(replay.claim.place));
    PutVarint(body, ZigZag(replay.claim.score));
    PutVarint(body, ZigZag(replay.claim.time));
    PutVarint(body, ZigZag(replay.claim.accuracy));
    PutText(body, replay.claim.name);
    PutVarint(body, replay.frames);
    PutText(body, replay.stream);

    uLongf packedSize = compressBound(uLong(body.size()));
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(body.data()),
              uLong(body.size()), Z_BEST_COMPRESSION);
    packed.resize(packedSize);

    std::string out(kMagic, 4);
    out.push_back(char(replay.format & 0xFF));
    out.push_back(char(replay.format >> 8));
    PutU32(out, uint32_t(body.size()));
    return out + packed;
}

bool Decode(const std::string& bytes, Replay& out, std::string& why) {
    if (bytes.size() > kMaxFileBytes) {
        why = "the replay is " + std::to_string(bytes.size()) + " bytes, over the bound of " +
              std::to_string(kMaxFileBytes) + " bytes";
        return false;
    }
    if (bytes.size() < kPrefix || std::memcmp(bytes.data(), kMagic, 4) != 0) {
        why = "this is not a Vortex Raiders replay";
        return false;
    }
    Reader prefix{&bytes, 4};
    uint16_t format = uint16_t(prefix.Byte() | (prefix.Byte() << 8));
    if (format != kFormatVersion) {
        why = "the replay has format version " + std::to_string(format) + "; this program reads version " +
              std::to_string(kFormatVersion);
        return false;
    }
    uint32_t inflatedSize = prefix.U32();
    if (inflatedSize > kMaxInflatedBytes) {
        why = "the replay's readings would take " + std::to_string(inflatedSize) + " bytes, over the bound of " +
              std::to_string(kMaxInflatedBytes) + " bytes";
        return false;
    }
    std::string body;
    if (!Inflate(bytes.substr(kPrefix), inflatedSize, body)) {
        why = "the replay is damaged (its compressed data does not unpack)";
        return false;
    }
    Replay r;
    r.format = format;
    Reader in{&body};
    r.header.gameVersion = in.Text(kLongestText);
    r.header.fieldWidth = int(in.Varint(3));
    r.header.fieldHeight = int(in.Varint(3));
    r.header.startTime = int64_t(in.Varint());
    r.header.randomState = in.U32();
    r.header.startFiles = in.Text(kLongestStartFiles);
    r.claim.place = int(in.Varint(2));
    r.claim.score = int16_t(UnZigZag(uint32_t(in.Varint(3))));
    r.claim.time = int16_t(UnZigZag(uint32_t(in.Varint(3))));
    r.claim.accuracy = int16_t(UnZigZag(uint32_t(in.Varint(3))));
    r.claim.name = in.Text(kLongestText);
    r.frames = uint32_t(in.Varint(5));
    r.stream = in.Text(kMaxInflatedBytes);
    if (!in.ok || !in.AtEnd()) {
        why = "the replay is damaged (its header does not read)";
        return false;
    }
    uint32_t counted = 0;
    if (!CheckStream(r.stream, counted, why)) return false;
    if (counted != r.frames) {
        why = "the replay claims " + std::to_string(r.frames) + " frames but holds " + std::to_string(counted);
        return false;
    }
    out = std::move(r);
    return true;
}

bool Load(const std::string& path, Replay& out, std::string& why) {
    std::string bytes, reason;
    std::error_code ec;
    uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxFileBytes) {
        why = path + " is " + std::to_string(size) + " bytes, over the bound of " + std::to_string(kMaxFileBytes) +
              " bytes for a replay";
        return false;
    }
    if (!ReadRegularFile(path, kMaxFileBytes, bytes, reason)) {
        why = "cannot read " + path + ": " + reason;
        return false;
    }
    return Decode(bytes, out, why);
}

bool Save(const std::string& path, const Replay& replay, std::string& why) {
    std::string bytes = Encode(replay);
    if (bytes.size() > kMaxFileBytes) {
        why = "the replay would take " + std::to_string(bytes.size()) + " bytes, over the bound of " +
              std::to_string(kMaxFileBytes);
        return false;
    }
    if (!profile::ReplaceFileAtomically(path, bytes)) {
        why = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// ---- recording and playback ----

Mode CurrentMode() { return g.mode; }

void StartRecording() {
    g = State{};
    g.mode = Mode::kRecording;
    ResetShared();
}

const std::string& RecordedStream() { return g.recorded; }
uint32_t RecordedFrames() { return g.recordedFrames; }

void StartPlaying(const std::string& stream, uint32_t frames) {
    g = State{};
    g.mode = Mode::kPlaying;
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

void Frame(uint32_t stateHash) {
    Trace("frame", stateHash);
    bool checked = false;
    if (g.mode == Mode::kRecording) {
        checked = g.recordedFrames % kCheckEvery == kCheckEvery - 1;
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
