#include "platform/replay_file.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "kernel/replay_stream.h"
#include "kernel/stored_file.h"
#include "platform/regular_file.h"

namespace vr::replay {

using namespace coding;

namespace {

constexpr char kMagic[4] = {'V', 'R', 'R', 'P'};
constexpr size_t kPrefix = 4 + 2 + 4;
constexpr size_t kLongestStartFiles = 256 * 1024;

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
    Item item;
    size_t whole = 0;  // the end of the last well-formed item
    frames = 0;
    while (NextItem(r, item)) {
        whole = item.end;
        if (item.tag == kFrame || item.tag == kFrameChecked) ++frames;
        if (frames > kMaxFrames) {
            why = "the replay holds more than " + std::to_string(kMaxFrames) + " frames";
            return false;
        }
    }
    if (!r.ok) {
        why = "the replay's readings end in the middle of an item";
        return false;
    }
    if (whole != stream.size()) {
        why = "the replay holds an unknown item (" + std::to_string(uint8_t(stream[whole])) + ") at byte " +
              std::to_string(whole);
        return false;
    }
    return true;
}

}  // namespace

std::string Encode(const Replay& replay) {
    std::string body;
    PutText(body, replay.header.gameVersion);
    PutVarint(body, uint32_t(replay.header.fieldWidth));
    PutVarint(body, uint32_t(replay.header.fieldHeight));
    PutVarint(body, uint64_t(replay.header.startTime));
    PutU32(body, replay.header.randomState);
    PutText(body, replay.header.startFiles);
    if (replay.format >= 2) PutVarint(body, replay.header.drivers);
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
    uint8_t low = prefix.Byte();
    uint16_t format = uint16_t(low | (prefix.Byte() << 8));
    if (format < kOldestFormatVersion || format > kFormatVersion) {
        why = "the replay has format version " + std::to_string(format) + "; this program reads versions " +
              std::to_string(kOldestFormatVersion) + " to " + std::to_string(kFormatVersion);
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
    if (format >= 2) r.header.drivers = uint32_t(in.Varint(5));
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

}  // namespace vr::replay
