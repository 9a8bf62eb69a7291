// Recording and playing back what a program reads from outside: clock
// readings (the tick count, the Timer value that seeds the generator), the
// mouse and key events its handlers receive, the answers of its dialogs and
// its frame boundaries. A recording is a compact stream of those readings;
// played back, the same calls answer from the stream instead of the outside,
// so the program's own code runs unchanged and repeats its run exactly.
//
// The file format lives in replay_file.h; this is the recording and playing
// session around it.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/replay_file.h"

namespace vr::replay {

enum class Mode { kOff, kRecording, kPlaying };
Mode CurrentMode();
inline bool Playing() { return CurrentMode() == Mode::kPlaying; }
inline bool Recording() { return CurrentMode() == Mode::kRecording; }

// Starts a recording with an empty stream.
void StartRecording();
// The readings recorded so far and their frame count.
const std::string& RecordedStream();
uint32_t RecordedFrames();
// Starts playing a stream back (a stream that Decode accepted). With
// `everyHash`, a frame where the recording must have kept a state hash (every
// kCheckEvery-th frame and the stream's last frame) fails the playback when
// the stream holds none there.
void StartPlaying(const std::string& stream, uint32_t frames, bool everyHash = true);
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
// hash of its state; every kCheckEvery-th frame, and at a frame the program
// seals (`keep`), the hash is kept and checked on playback.
void Frame(uint32_t stateHash, bool keep = false);

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
