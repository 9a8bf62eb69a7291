// Recorded runs played back: the same score, time and picture at every frame,
// and a changed replay refused.
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/game_main.h"
#include "game_fixture.h"
#include "platform/dialogs.h"
#include "platform/replay.h"
#include "platform/window.h"
#include "replay_driver.h"
#include "scores/run_replays.h"

namespace game::testing {
namespace {

constexpr int64_t kFrameNs = 1000000000 / 26;

uint64_t PictureHash(const vr::Surface& s) {
    uint64_t h = 1469598103934665603ull;
    for (uint32_t p : s.pixels) h = (h ^ p) * 1099511628211ull;
    return h;
}

// A frame limiter whose wait delivers the script's input, as the real one
// processes the window's messages while it waits.
class PumpingExtra final : public QuietExtra {
public:
    std::function<void()> pump;
    HRESULT LimitFPS(int16_t fps) override {
        QuietExtra::LimitFPS(fps);
        if (pump) pump();
        return 0;
    }
};

class ReplayTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        SetLibraryObjects(&engine, &pumping);
        vr::FreezeClockSeeding(false);  // the seeds come from the clock, as in play
        vr::SetSystemDirectoryOverride(scoreDir);
    }
    void TearDown() override {
        EndPlayback();
        vr::SetSystemDirectoryOverride("");
        GameTest::TearDown();
    }

    // A scripted session: a click on the menu starts a run, the ship weaves
    // and fires until it is destroyed; returns the picture after each frame.
    std::vector<uint64_t> RecordScriptedRun() {
        RecordSession(scoreDir);
        StartUp();
        std::vector<uint64_t> pictures;
        bool started = false;
        int f = 0;
        pumping.pump = [&] {
            vr::PictureBox& field = Field();
            if (f == 5) vr::SendMouse(field, 0, 0, 0, 150, 250);
            if (f == 8) {
                vr::SendMouse(field, 1, vr::kLeftButton, 0, 150, 250);
                vr::SendMouse(field, 2, vr::kLeftButton, 0, 150, 250);
                started = true;
            } else if (started && vr::IsTrue(G.Playing) && !G.Paused) {
                int x = 150 + int(120 * std::sin(f / 23.0)), y = 440 + int(25 * std::sin(f / 37.0));
                vr::SendMouse(field, 0, 0, 0, x, y);
                if (f % 4 == 0) vr::SendMouse(field, 1, vr::kLeftButton, 0, x, y);
                if (f % 9 == 0) vr::SendMouse(field, 1, vr::kRightButton, 0, x, y);
            }
            // P holds the run for a while and resumes it.
            if (f == 60 || f == 80) {
                vr::SendKey(*Form1().form, true, kKeyP, 0);
                vr::SendKey(*Form1().form, false, kKeyP, 0);
            }
        };
        for (; f < 26 * 60 * 10; ++f) {
            FrameLoopPass();
            pictures.push_back(PictureHash(Field().Image()));
            vr::AdvanceManualClock(kFrameNs);
            if (started && !vr::IsTrue(G.Playing) && LastRunResult().ended) break;
        }
        pumping.pump = nullptr;
        FrameLoopPass();  // the frame after the run's end keeps its replay
        vr::replay::Stop();
        return pictures;
    }

    vr::replay::Replay RecordedReplay() {
        vr::PushDialogAnswer("Tester");  // the place's name
        vr::PushDialogAnswer("Tester");  // the best time's name
        recorded = RecordScriptedRun();
        vr::replay::Replay replay;
        std::string why, path = ReplayOfPlace(scoreDir, 1);
        EXPECT_TRUE(vr::replay::Load(path, replay, why)) << path << ": " << why;
        return replay;
    }

    // Starts the program again as a new process would find it.
    void FreshProgram() {
        G = GameState{};
        DestroyForm1();
        CreateForm1(std::string(VR_BIN_DIR) + "/art");
        vr::UseManualClock(true, int64_t(7777) * 1000000000);  // another clock: every reading comes from the replay
        vr::SetRandomState(99);
    }

    std::vector<uint64_t> recorded;
    PumpingExtra pumping;
};

TEST_F(ReplayTest, PlayedBackRunMatchesItsRecordingFrameByFrame) {
    vr::replay::Replay replay = RecordedReplay();
    const RunResult original = LastRunResult();
    ASSERT_TRUE(original.ended);
    ASSERT_EQ(replay.claim.place, 1);
    EXPECT_EQ(replay.claim.score, original.score);
    EXPECT_EQ(replay.claim.name, "Tester");
    EXPECT_GT(original.time, 0);

    FreshProgram();
    std::string why;
    ASSERT_TRUE(BeginPlayback(replay, why)) << why;
    StartUp();
    std::vector<uint64_t> played;
    while (!vr::replay::PlaybackOver()) {
        FrameLoopPass();
        played.push_back(PictureHash(Field().Image()));
        vr::AdvanceManualClock(kFrameNs * 3);
    }
    EXPECT_EQ(vr::replay::PlaybackFault(), "");
    ASSERT_EQ(played.size(), replay.frames);
    ASSERT_LE(played.size(), recorded.size());
    for (size_t f = 0; f < played.size(); ++f) ASSERT_EQ(played[f], recorded[f]) << "frame " << f;
    EXPECT_EQ(LastRunResult().score, original.score);
    EXPECT_EQ(LastRunResult().time, original.time);
    EXPECT_EQ(JudgePlayback(replay), "");
    // The playback wrote its table into its scratch folder, not into the real one's replays.
    EndPlayback();
    EXPECT_EQ(ReplayOfPlace(scoreDir, 2), "");
}

TEST_F(ReplayTest, VerificationProvesTheRunAndRefusesChangedReplays) {
    vr::replay::Replay replay = RecordedReplay();
    FreshProgram();
    VerifyOutcome ok = VerifyReplay(replay);
    EXPECT_TRUE(ok.proved) << ok.why;
    EXPECT_EQ(ok.result.score, replay.claim.score);

    struct Case {
        const char* what;
        void (*change)(vr::replay::Replay&);
    };
    const Case cases[] = {
        {"a claimed score raised", [](vr::replay::Replay& r) { r.claim.score += 10; }},
        {"another name claimed", [](vr::replay::Replay& r) { r.claim.name = "Someone"; }},
        {"another game version", [](vr::replay::Replay& r) { r.header.gameVersion = "0.0.1"; }},
        {"the readings cut short", [](vr::replay::Replay& r) {
             r.stream.resize(r.stream.size() / 2);
         }},
        {"one byte of the readings changed", [](vr::replay::Replay& r) { r.stream[r.stream.size() * 2 / 3] ^= 1; }},
    };
    for (const Case& c : cases) {
        vr::replay::Replay changed = replay;
        c.change(changed);
        // Through the file's coding, as a replay arrives.
        vr::replay::Replay read;
        std::string why;
        if (!vr::replay::Decode(vr::replay::Encode(changed), read, why)) continue;  // refused on reading
        FreshProgram();
        VerifyOutcome v = VerifyReplay(read);
        EXPECT_FALSE(v.proved) << c.what;
        EXPECT_NE(v.why, "") << c.what;
    }
}

TEST_F(ReplayTest, EntryReplaysMoveDownWithTheirEntriesAndGoWhenTheTableDisagrees) {
    RecordedReplay();
    std::string first = ReplayOfPlace(scoreDir, 1);
    ASSERT_NE(first, "");
    // A better run takes place 1: the old entry's replay moves to place 2.
    G.TopTen[2] = G.TopTen[1];
    G.TopTen[1] = ScoreEntry{"Better", int16_t(G.TopTen[2].Score + 1), 10, 50};
    vr::replay::StartRecording();
    NoteRunEnded(RunResult{true, 1, G.TopTen[1].Score, 10, 50, "Better"});
    SavePendingReplay();
    EXPECT_EQ(ReplayOfPlace(scoreDir, 2), first);
    EXPECT_NE(ReplayOfPlace(scoreDir, 1), "");
    // A table whose place 2 holds another entry drops that replay.
    G.TopTen[2].Score = 1;
    EXPECT_EQ(ReplayOfPlace(scoreDir, 2), "");
    vr::replay::Stop();
}

}  // namespace
}  // namespace game::testing
