// The replays of the top-ten entries: the session is recorded from the
// program's start, and each run that earns a place keeps the recording up to
// its end in Top10-replays/ beside Top10.ini. The folder's index names the
// place, the file and the entry (score, time, accuracy, name) of each replay,
// so a replay moves down with its entry and leaves with it; a replay whose
// entry no longer matches the table at its place is dropped.
#pragma once
#include <cstdint>
#include <string>

#include "platform/replay.h"

namespace game {

// The result of the last run that ended (EndOfRun), in this session or playback.
struct RunResult {
    bool ended = false;
    int place = 0;  // 0: the run earned no place
    int16_t score = 0, time = 0, accuracy = 0;
    std::string name;
    // The run's fingerprint (16 hex digits, set when a placed run is sealed):
    // what was played up to its end, without names or clock readings, so the
    // same run under another name has the same fingerprint.
    std::string run;
    uint32_t sealedAt = 0;  // the frames played or recorded up to its seal
};
RunResult& LastRunResult();

// Starts recording the session: the header with the table as the program
// finds it in folder (the system directory) and what drives the session
// besides a person (score_protocol::Driver flags).
void RecordSession(const std::string& folder, uint32_t drivers);
// Starts the account of runs for a recording or a playback: whether a placed
// run's end is sealed (every replay but an old format's), and the drivers
// that the seal covers.
void BeginRunLedger(bool sealing, uint32_t drivers);
// After this, ended runs are no longer noted (a played-back run that quits
// the game: whatever its code does after is not the recording's).
void FreezeRunResults();

// EndOfRun's note of a finished run: remembered as the last result and, when
// it earned a place in a recorded or played-back session, sealed at the next
// frame boundary.
void NoteRunEnded(const RunResult& result);
// The frame boundary, called once a frame: the state hash to the recording
// (or checked against it). After a placed run ended, the boundary seals it:
// its hash covers the run's result and the session's drivers and is always
// kept, and a recording saves the run's replay, which ends there.
void CloseFrame();
// Seals a placed run that ended since the last boundary (also when the
// program ends before the next one).
void SealPendingRun();

// The store beside Top10.ini (folder = the system directory).
std::string ReplayFolder(const std::string& folder);
// The replay file of a place of the table ("" when it has none).
std::string ReplayOfPlace(const std::string& folder, int place);

// Playback's start: writes the recorded start files into a scratch folder.
bool RestoreStartFiles(const std::string& startFiles, const std::string& folder, std::string& why);

// A hash of the game's state (numbers, records, names and the generator),
// checked at frame boundaries on playback.
uint32_t GameStateHash();
// The same without names and clock readings: what the fingerprint of a run is made of.
uint32_t PlayStateHash();

// Called by Form_Unload on playback instead of ending the program.
void SetPlaybackUnloadHandler(void (*handler)());
void RunPlaybackUnloadHandler();

}  // namespace game
