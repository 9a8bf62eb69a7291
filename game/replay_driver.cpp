#include "replay_driver.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/game_main.h"
#include "core/game_state.h"
#include "scores/upload.h"
#include "platform/cursor.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/random.h"
#include "platform/runtime_error.h"
#include "verifier_report.h"
#include "version.h"
#include "window/form1.h"

namespace game {

namespace {

namespace fs = std::filesystem;

std::string g_scratch;
vr::replay::Replay g_windowReplay;
void (*g_alsoEachFrame)() = nullptr;
bool g_toldOver = false;

// Set when a played-back run quits the game: the verifying loop ends there.
bool g_quit = false;

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
    BeginRunLedger(replay.format >= 2, replay.header.drivers);
    vr::replay::StartPlaying(replay.stream, replay.frames, replay.format >= 2);
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
    if (replay.format >= 2 && (r.run.empty() || r.sealedAt != replay.frames))
        return "the replay does not end at the sealed end of its run";
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
    if (replay.format < 2) {
        // An old replay's stream ends before the name dialogs' answers are
        // covered by a state hash: it can be watched, not proved.
        out.why = "the replay has format version " + std::to_string(replay.format) +
                  ", whose result is not sealed by a state hash; it can be watched but not proved";
        return out;
    }
    if (!BeginPlayback(replay, out.why)) return out;
    // A simulated clock: each wait of the frame limiter passes at its first look.
    vr::UseManualClock(true, 0);
    vr::SetClockAutoStep(int64_t(1000000000) / 26 + 1);
    g_quit = false;
    SetPlaybackUnloadHandler([] {
        // The recording quits the game: what it holds up to there is judged.
        g_quit = true;
        FreezeRunResults();
    });
    try {
        StartUp();
        while (!g_quit && !vr::replay::PlaybackOver()) FrameLoopPass();
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
    using namespace score_protocol;
    vr::replay::Replay replay;
    std::string why;
    if (!vr::replay::Load(path, replay, why)) {
        std::fprintf(stderr, "%s\n", FormatRefusal("VortexRaiders", path, why).c_str());
        return kVerifyRefused;
    }
    VerifyOutcome v = VerifyReplay(replay);
    if (!v.proved) {
        std::fprintf(stderr, "%s\n", FormatRefusal("VortexRaiders", path, v.why).c_str());
        return kVerifyRefused;
    }
    VerifierReport report;
    report.score = v.result.score;
    report.time = v.result.time;
    report.accuracy = v.result.accuracy;
    report.place = v.result.place;
    report.frames = v.frames;
    report.uploadName = UploadName(v.result.name);
    report.drivers = replay.header.drivers;
    report.run = v.result.run;
    std::fputs(FormatReport(report).c_str(), stdout);
    return kVerifyProved;
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
