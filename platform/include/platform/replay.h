// Recording and playing back what a program reads from outside: clock
// readings (the tick count, the Timer value that seeds the generator), the
// mouse and key events its handlers receive, the answers of its dialogs and
// its frame boundaries. A recording is a compact stream of those readings;
// played back, the same calls answer from the stream instead of the outside,
// so the program's own code runs unchanged and repeats its run exactly.
//
// A replay file is "VRRP", the format version (16-bit), the inflated size
// (32-bit) and a zlib stream of the header, the claimed result and the
// readings. Files over kMaxFileBytes, inflated data over kMaxInflatedBytes and
// streams of more than kMaxFrames frames are refused.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vr::replay {

inline constexpr uint16_t kFormatVersion = 1;
inline constexpr size_t kMaxFileBytes = size_t(1) << 20;      // 1 MiB as stored
inline constexpr size_t kMaxInflatedBytes = size_t(8) << 20;  // 8 MiB of readings
inline constexpr uint32_t kMaxFrames = 26u * 60u * 60u * 2u;  // two hours at 26 frames a second

// What was true when the recording began.
struct Header {
    std::string gameVersion;
    int fieldWidth = 0, fieldHeight = 0;
    int64_t startTime = 0;        // seconds since 1970 (UTC)
    uint32_t randomState = 0;     // the generator's state
    std::string startFiles;       // the program's own start files (opaque to the platform)
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

enum class Mode { kOff, kRecording, kPlaying };
Mode CurrentMode();
inline bool Playing() { return CurrentMode() == Mode::kPlaying; }
inline bool Recording() { return CurrentMode() == Mode::kRecording; }

// Starts a recording with an empty stream.
void StartRecording();
// The readings recorded so far and their frame count.
const std::string& RecordedStream();
uint32_t RecordedFrames();
// Starts playing a stream back (a stream that Decode accepted).
void StartPlaying(const std::string& stream, uint32_t frames);
// Delivers the events at the head of the stream, then: true when every
// reading has been played back (or the playback failed).
bool PlaybackOver();
// Why the playback failed ("" while it matches its recording).
const std::string& PlaybackFault();
// The frames played back so far.
uint32_t PlayedFrames();
// Ends recording or playback.
void Stop();

// A frame boundary: called by the program at the start of each frame with a
// hash of its state; every 32nd frame the hash is kept and checked on playback.
void Frame(uint32_t stateHash);

// While one lives, clock readings and dialog answers are neither recorded nor
// played back (work that a played-back run leaves out, such as an upload);
// events are still recorded.
class SuspendReadings {
public:
    SuspendReadings();
    ~SuspendReadings();
    SuspendReadings(const SuspendReadings&) = delete;
    SuspendReadings& operator=(const SuspendReadings&) = delete;
};

// Called on playback when the viewer asks to stop (Escape, closing the window).
void SetStopRequestHandler(void (*handler)());
void RequestStop();

// ---- the seam, for the platform's own files ----
namespace seam {
// A clock reading: recording keeps `live`, playback answers the recorded value.
int32_t Tick(int32_t live);
float Timer(float live);
// A dialog's answer: `ask` is called only when not playing back.
std::string DialogAnswer(const std::function<std::string()>& ask);
// A handler invocation: recorded while recording. Target is a window handle.
// kDeactivate: the form lost the focus (its onDeactivate handler).
enum EventKind : uint8_t { kMouseMove = 0, kMouseDown = 1, kMouseUp = 2, kKeyDown = 3, kKeyUp = 4, kDeactivate = 5 };
struct Event {
    EventKind kind = kMouseMove;
    int32_t target = 0;
    int button = 0, shift = 0;  // keys: button is the key code; kDeactivate: neither
    int x = 0, y = 0;
};
void NoteEvent(const Event& e);
// Playback: takes the event at the head of the stream, if there is one.
bool NextEvent(Event& e);
// The platform's deliverer of played-back events (set by the message pump).
void SetDeliverer(void (*deliver)());
}  // namespace seam

}  // namespace vr::replay
