// The replay file: what a recording holds, and its bytes. Pure functions of
// their input, so any bytes (a file from anyone) can be handed to Decode.
//
// A replay file is "VRRP", the format version (16-bit), the inflated size
// (32-bit) and a zlib stream of the header, the claimed result and the
// readings. Files over kMaxFileBytes, inflated data over kMaxInflatedBytes and
// streams of more than kMaxFrames frames are refused.
//
// Format 2 adds who drove the session (Header::drivers) and always ends its
// stream with a frame that carries a state hash sealing the run's result;
// format 1 files (without either) are still read.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vr::replay {

inline constexpr uint16_t kFormatVersion = 2;
inline constexpr uint16_t kOldestFormatVersion = 1;
inline constexpr size_t kMaxFileBytes = size_t(1) << 20;      // 1 MiB as stored
inline constexpr size_t kMaxInflatedBytes = size_t(8) << 20;  // 8 MiB of readings
inline constexpr uint32_t kMaxFrames = 26u * 60u * 60u * 2u;  // two hours at 26 frames a second
// A state hash is recorded at every kCheckEvery-th frame (and at a sealed frame).
inline constexpr uint32_t kCheckEvery = 32;

// What was true when the recording began.
struct Header {
    std::string gameVersion;
    int fieldWidth = 0, fieldHeight = 0;
    int64_t startTime = 0;        // seconds since 1970 (UTC)
    uint32_t randomState = 0;     // the generator's state
    std::string startFiles;       // the program's own start files (opaque to the platform)
    uint32_t drivers = 0;         // what besides a person drove the session (the program's flags; format 2)
};

// The result the recording claims for its last run.
struct Claim {
    int place = 0;
    int16_t score = 0, time = 0, accuracy = 0;
    std::string name;
};

struct Replay {
    uint16_t format = kFormatVersion;
    Header header;
    Claim claim;
    uint32_t frames = 0;
    std::string stream;  // the readings
};

// The file's bytes for a replay (compressed).
std::string Encode(const Replay& replay);
// Reads a replay from a file's bytes; false with the reason for anything
// damaged, over a bound, of another format version or malformed.
bool Decode(const std::string& bytes, Replay& out, std::string& why);
// Reads a replay file; false with the reason (including a missing file).
bool Load(const std::string& path, Replay& out, std::string& why);
// Writes a replay file in one replacement; false with the reason.
bool Save(const std::string& path, const Replay& replay, std::string& why);

}  // namespace vr::replay
