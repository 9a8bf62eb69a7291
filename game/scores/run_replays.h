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
};
RunResult& LastRunResult();

// Starts recording the session: the header with the table as the program
// finds it in folder (the system directory).
void RecordSession(const std::string& folder);
// The header and start files of the session being recorded.
const vr::replay::Header& SessionHeader();

// EndOfRun's note of a finished run: remembered as the last result and, when
// it earned a place in a recorded session, kept for the replay store.
void NoteRunEnded(const RunResult& result);
// Saves the replay of a run that earned a place and ended since the last
// frame boundary (called at each frame's start and when the program ends).
void SavePendingReplay();

// The store beside Top10.ini (folder = the system directory).
std::string ReplayFolder(const std::string& folder);
// The replay file of a place of the table ("" when it has none).
std::string ReplayOfPlace(const std::string& folder, int place);

// Playback's start: writes the recorded start files into a scratch folder.
bool RestoreStartFiles(const std::string& startFiles, const std::string& folder, std::string& why);

// A hash of the game's state (numbers, records and the generator), checked
// at frame boundaries on playback.
uint32_t GameStateHash();

// Called by Form_Unload on playback instead of ending the program.
void SetPlaybackUnloadHandler(void (*handler)());
void RunPlaybackUnloadHandler();

}  // namespace game
