#include "replay_driver.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/game_main.h"
#include "core/game_state.h"
#include "scores/upload.h"
#include "platform/kernel.h"
#include "platform/random.h"
#include "platform/runtime_error.h"
#include "platform/window.h"
#include "version.h"
#include "window/form1.h"

namespace game {

namespace {

namespace fs = std::filesystem;

std::string g_scratch;
vr::replay::Replay g_windowReplay;
void (*g_alsoEachFrame)() = nullptr;
bool g_toldOver = false;

// Thrown out of the game's handlers when a played-back run quits the game.
struct PlaybackQuit {};

[[noreturn]] void CloseViewer() {
    EndPlayback();
    vr::ClipCursor(nullptr);
    vr::EndProgram(0);
}

void ViewerFrame() {
    if (g_alsoEachFrame) g_alsoEachFrame();
    if (!vr::replay::PlaybackOver()) return;
    if (!g_toldOver) {
        g_toldOver = true;
        const std::string& fault = vr::replay::PlaybackFault();
        if (!fault.empty()) std::fprintf(stderr, "VortexRaiders: the replay stops: %s\n", fault.c_str());
        else std::fprintf(stderr, "VortexRaiders: the replay is over; Escape closes the window\n");
    }
    // The last frame stays in the window until the viewer presses Escape.
    for (;;) {
        vr::DoEvents();
        vr::Sleep(20);
    }
}

}  // namespace

bool BeginPlayback(const vr::replay::Replay& replay, std::string& why) {
    if (replay.header.gameVersion != vr::version::kGame) {
        why = "the replay was recorded by Vortex Raiders " + replay.header.gameVersion + ", this is version " +
              vr::version::kGame;
        return false;
    }
    if (replay.header.fieldWidth != FieldWidth - 2 || replay.header.fieldHeight != FieldHeight - 2) {
        why = "the replay's play field is " + std::to_string(replay.header.fieldWidth) + " x " +
              std::to_string(replay.header.fieldHeight) + ", not " + std::to_string(FieldWidth - 2) + " x " +
              std::to_string(FieldHeight - 2);
        return false;
    }
    std::string pattern = (fs::temp_directory_path() / "vr-replay-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        why = "cannot make a scratch folder in " + fs::temp_directory_path().string();
        return false;
    }
    g_scratch = pattern;
    if (!RestoreStartFiles(replay.header.startFiles, g_scratch, why)) {
        EndPlayback();
        return false;
    }
    vr::SetSystemDirectoryOverride(g_scratch);
    vr::FreezeClockSeeding(false);
    vr::SetRandomState(replay.header.randomState);
    LastRunResult() = RunResult{};
    vr::replay::StartPlaying(replay.stream, replay.frames);
    return true;
}

void EndPlayback() {
    vr::replay::Stop();
    vr::SetSystemDirectoryOverride("");
    if (!g_scratch.empty()) {
        std::error_code ec;
        fs::remove_all(g_scratch, ec);
        g_scratch.clear();
    }
}

std::string JudgePlayback(const vr::replay::Replay& replay) {
    const std::string& fault = vr::replay::PlaybackFault();
    if (!fault.empty()) return "the replay does not play back: " + fault;
    const RunResult& r = LastRunResult();
    const vr::replay::Claim& c = replay.claim;
    if (!r.ended) return "the replay holds no finished run";
    auto said = [](int place, int score, int time, const std::string& name) {
        return "place " + std::to_string(place) + ", score " + std::to_string(score) + ", time " +
               std::to_string(time) + " s, name \"" + name + "\"";
    };
    if (r.place != c.place || r.score != c.score || r.time != c.time || r.accuracy != c.accuracy || r.name != c.name)
        return "the replayed run gives " + said(r.place, r.score, r.time, r.name) + ", not the claimed " +
               said(c.place, c.score, c.time, c.name);
    return "";
}

VerifyOutcome VerifyReplay(const vr::replay::Replay& replay) {
    VerifyOutcome out;
    if (!BeginPlayback(replay, out.why)) return out;
    // A simulated clock: each wait of the frame limiter passes at its first look.
    vr::UseManualClock(true, 0);
    vr::SetManualClockAutoStep(int64_t(1000000000) / 26 + 1);
    SetPlaybackUnloadHandler([] { throw PlaybackQuit{}; });
    try {
        StartUp();
        while (!vr::replay::PlaybackOver()) FrameLoopPass();
    } catch (const PlaybackQuit&) {
        // The recording quits the game: what it holds up to there is judged.
    } catch (const vr::RuntimeError& e) {
        out.why = "the replayed run stops with run-time error " + std::to_string(e.number()) + " (" + e.description() +
                  ")";
    }
    SetPlaybackUnloadHandler(nullptr);
    vr::UseManualClock(false);
    out.frames = int(vr::replay::PlayedFrames());
    out.result = LastRunResult();
    if (out.why.empty()) out.why = JudgePlayback(replay);
    out.proved = out.why.empty();
    EndPlayback();
    return out;
}

int VerifyReplayFile(const std::string& path) {
    vr::replay::Replay replay;
    std::string why;
    if (!vr::replay::Load(path, replay, why)) {
        std::fprintf(stderr, "VortexRaiders: %s is refused: %s\n", path.c_str(), why.c_str());
        return 1;
    }
    VerifyOutcome v = VerifyReplay(replay);
    if (!v.proved) {
        std::fprintf(stderr, "VortexRaiders: %s is refused: %s\n", path.c_str(), v.why.c_str());
        return 1;
    }
    // One line each: a control character of the name shows as "?". nname is
    // the name as the upload sends it, so a score server can find the entry.
    std::string shown = v.result.name;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    std::printf("score %d\ntime %d\naccuracy %d\nplace %d\nname %s\nframes %d\nnname %s\n", v.result.score,
                v.result.time, v.result.accuracy, v.result.place, shown.c_str(), v.frames,
                QueryName(v.result.name).c_str());
    return 0;
}

bool PrepareReplayWindow(const std::string& path, std::string& why) {
    if (!vr::replay::Load(path, g_windowReplay, why)) return false;
    if (!BeginPlayback(g_windowReplay, why)) return false;
    vr::replay::SetStopRequestHandler([] { CloseViewer(); });
    SetPlaybackUnloadHandler([] { CloseViewer(); });
    return true;
}

void WatchReplay(void (*alsoEachFrame)()) {
    g_alsoEachFrame = alsoEachFrame;
    SetFrameHook(&ViewerFrame);
}

}  // namespace game
