// Playing recorded runs back: headless as fast as the machine allows (to
// prove a replay's result), or in the window at the run's own pace.
#pragma once
#include <string>

#include "platform/replay.h"
#include "scores/run_replays.h"

namespace game {

// A replay made ready to play: its start files in a scratch folder that
// stands in for the system directory, the generator as it was, the playback
// started. False with the reason when this program cannot play it (another
// game version or field size, damaged start files).
bool BeginPlayback(const vr::replay::Replay& replay, std::string& why);
// Stops the playback, removes the scratch folder, restores the system directory.
void EndPlayback();
// Compares the played-back run with the replay's claim: "" when they agree,
// otherwise why not.
std::string JudgePlayback(const vr::replay::Replay& replay);

struct VerifyOutcome {
    bool proved = false;
    std::string why;   // when not proved
    RunResult result;  // the replayed run's result
    int frames = 0;    // frames played back
};
// Plays a replay headless on a simulated clock, as fast as the machine allows
// (Form1 and the library objects must exist; no window is shown).
VerifyOutcome VerifyReplay(const vr::replay::Replay& replay);

// --verify FILE: prints the result ("score N", "time N", ..., and "nname X",
// the name as the score upload sends it) and answers 0, or prints why the
// replay is refused and answers 1.
int VerifyReplayFile(const std::string& path);

// --replay FILE: loads the replay before the window opens; false with the reason.
bool PrepareReplayWindow(const std::string& path, std::string& why);
// Installs the frame hook that holds the window on the last frame once the
// replay is over, until Escape (a hook of the caller's runs too).
void WatchReplay(void (*alsoEachFrame)());

}  // namespace game
