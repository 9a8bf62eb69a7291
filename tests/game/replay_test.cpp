// Recorded runs played back: the same score, time and picture at every frame,
// and a changed replay refused.
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/game_main.h"
#include "game_fixture.h"
#include "kernel/replay_stream.h"
#include "platform/picture_box.h"
#include "platform/replay.h"
#include "platform/user_types.h"
#include "platform_testing/dialog_answers.h"
#include "platform_testing/manual_clock.h"
#include "platform_testing/synthetic_input.h"
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
        RecordSession(scoreDir, 0);
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
        FrameLoopPass();  // the frame after the run's end seals it and keeps its replay
        pictures.push_back(PictureHash(Field().Image()));
        vr::replay::Stop();
        return pictures;
    }

    vr::replay::Replay RecordedReplay(const std::string& name = "Tester") {
        vr::PushDialogAnswer(name);  // the place's name
        vr::PushDialogAnswer(name);  // the best time's name
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

// Every checked frame of a stream made a plain one.
std::string WithoutHashes(const std::string& stream) {
    using namespace vr::replay::coding;
    Reader r{&stream};
    Item item;
    std::string out;
    while (NextItem(r, item))
        out += item.tag == kFrameChecked ? std::string(1, char(kFrame)) : stream.substr(item.start, item.end - item.start);
    return out;
}

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
    return s;
}

TEST_F(ReplayTest, VerificationProvesTheRunAndRefusesChangedReplays) {
    vr::replay::Replay replay = RecordedReplay();
    FreshProgram();
    VerifyOutcome ok = VerifyReplay(replay);
    EXPECT_TRUE(ok.proved) << ok.why;
    EXPECT_EQ(ok.result.score, replay.claim.score);
    EXPECT_EQ(ok.result.run.size(), 16u);

    struct Case {
        const char* what;
        void (*change)(vr::replay::Replay&);
        const char* why;
    };
    const Case cases[] = {
        {"a claimed score raised", [](vr::replay::Replay& r) { r.claim.score += 10; }, "not the claimed"},
        {"another name claimed", [](vr::replay::Replay& r) { r.claim.name = "Someone"; }, "not the claimed"},
        {"the run stolen: the claim and both name answers renamed",
         [](vr::replay::Replay& r) {
             r.claim.name = "Thiefs";
             r.stream = Replaced(r.stream, "\x0a\x06Tester", "\x0a\x06Thiefs");
         },
         "departs from its recording"},
        {"every state hash dropped", [](vr::replay::Replay& r) { r.stream = WithoutHashes(r.stream); },
         "lacks the state hash"},
        {"the session's drivers changed", [](vr::replay::Replay& r) { r.header.drivers = 1; }, "departs"},
        {"an old format, whose result is not sealed", [](vr::replay::Replay& r) { r.format = 1; }, "not proved"},
        {"another game version", [](vr::replay::Replay& r) { r.header.gameVersion = "0.0.1"; }, "recorded by"},
        {"the readings cut short", [](vr::replay::Replay& r) { r.stream.resize(r.stream.size() / 2); }, ""},
        {"a tick reading changed", [](vr::replay::Replay& r) { r.stream[r.stream.find(char(2), r.stream.size() / 2) + 1] ^= 4; }, ""},
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
        EXPECT_NE(v.why.find(c.why), std::string::npos) << c.what << ": " << v.why;
    }
}

TEST_F(ReplayTest, TheSameRunUnderAnotherNameHasTheSameFingerprint) {
    vr::replay::Replay first = RecordedReplay("Tester");
    FreshProgram();
    VerifyOutcome a = VerifyReplay(first);
    ASSERT_TRUE(a.proved) << a.why;
    // The same session from the same start, named otherwise.
    TearDown();
    SetUp();
    vr::replay::Replay second = RecordedReplay("Other!");
    FreshProgram();
    VerifyOutcome b = VerifyReplay(second);
    ASSERT_TRUE(b.proved) << b.why;
    EXPECT_EQ(b.result.name, "Other!");
    EXPECT_EQ(b.result.run, a.result.run);
}

TEST_F(ReplayTest, EntryReplaysMoveDownWithTheirEntriesAndGoWhenTheTableDisagrees) {
    RecordedReplay();
    std::string first = ReplayOfPlace(scoreDir, 1);
    ASSERT_NE(first, "");
    // A better run takes place 1: the old entry's replay moves to place 2.
    G.TopTen[2] = G.TopTen[1];
    G.TopTen[1] = ScoreEntry{"Better", int16_t(G.TopTen[2].Score + 1), 10, 50};
    RecordSession(scoreDir, 0);
    RunResult better;
    better.place = 1;
    better.score = G.TopTen[1].Score;
    better.time = 10;
    better.accuracy = 50;
    better.name = "Better";
    NoteRunEnded(better);
    SealPendingRun();
    EXPECT_EQ(ReplayOfPlace(scoreDir, 2), first);
    EXPECT_NE(ReplayOfPlace(scoreDir, 1), "");
    // A table whose place 2 holds another entry drops that replay.
    G.TopTen[2].Score = 1;
    EXPECT_EQ(ReplayOfPlace(scoreDir, 2), "");
    vr::replay::Stop();
}

}  // namespace
}  // namespace game::testing
