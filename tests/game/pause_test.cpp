// Holding a run: P, Pause and the loss of the window's focus stop it where it
// stands, and it goes on from there as if the pause had not been.
#include <vector>

#include "core/game_main.h"
#include "core/pause.h"
#include "game_fixture.h"
#include "platform/audio.h"
#include "platform/cursor.h"
#include "platform/user_types.h"
#include "platform_testing/manual_clock.h"

using namespace game;
using namespace game::testing;

namespace {

constexpr int64_t kFrameNs = 38'000'000;  // about 26 frames a second

// What a run is made of at a moment: everything that moves or counts, and the field.
struct Snapshot {
    std::vector<int> values;
    std::vector<uint32_t> field;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take() {
    Snapshot s;
    auto add = [&](std::initializer_list<int> v) { s.values.insert(s.values.end(), v); };
    for (const auto& e : G.Enemies) add({e.Active, e.X, e.Y, e.HitPoints});
    for (const auto& b : G.Shots) add({b.X, b.Y, b.Speed, b.Kind});
    for (const auto& b : G.Explosions) add({int(b.X), int(b.Y), b.Frame});
    for (const auto& b : G.Sparks) add({int(b.X), int(b.Y), b.Frame});
    for (const auto& b : G.Smokes) add({b.On, int(b.X), int(b.Y), b.Frame});
    add({G.Score, G.RunTime, G.TimeLeft, G.TimeBonus, G.Health, G.ShotsFired, G.Hits, G.EarthFrames, G.WallSlide,
         G.FirePowerTime, G.AutoFireTime, G.ShieldTime, G.PlayerX, G.PlayerY, G.Playing});
    s.field = Field().Image().pixels;
    return s;
}

class Pause : public GameTest {
protected:
    void TearDown() override {
        vr::audio::Device::Instance().SetPaused(false);
        GameTest::TearDown();
    }
    // One frame of play: the pointer weaves, the left button fires every fifth frame.
    void PlayFrame() {
        ++frame_;
        Field_MouseMove(0, 0, float(150 + (frame_ * 7) % 100 - 50), 440.0f);
        if (frame_ % 5 == 0) Field_MouseDown(vr::kLeftButton, 0, 0, 0);
        vr::AdvanceManualClock(kFrameNs);
        FrameLoopPass();
    }
    // A run from the same start each time, played for `frames` frames, held
    // for ten seconds after `pauseAt` of them (none when negative); what
    // moves and counts after each frame, and the last frame's field.
    std::pair<std::vector<std::vector<int>>, Snapshot> Fly(int frames, int pauseAt) {
        G = GameState{};
        G.ScoreDir = scoreDir;
        vr::SetRandomState(4242);
        vr::SetManualClockNs(int64_t(100000) * 1000000);
        frame_ = 0;
        StartRun();
        std::vector<std::vector<int>> each;
        for (int i = 0; i < frames; ++i) {
            if (i == pauseAt) HoldForTenSeconds();
            PlayFrame();
            each.push_back(Take().values);
        }
        return {each, Take()};
    }
    void HoldForTenSeconds() {
        Snapshot before = Take();
        PauseRun();
        ASSERT_TRUE(RunPaused());
        Snapshot paused = Take();
        EXPECT_EQ(paused.values, before.values);
        EXPECT_NE(paused.field, before.field);  // "PAUSED" over it
        engine.calls.clear();
        for (int i = 0; i < 263; ++i) PlayFrame();  // ten seconds of frames, input and all
        EXPECT_EQ(Take(), paused) << "something moved while the run was held";
        EXPECT_TRUE(engine.Played().empty());
        EXPECT_TRUE(vr::audio::Device::Instance().Paused());
        Form_KeyUp(kKeyP, 0);
        EXPECT_FALSE(RunPaused());
        EXPECT_FALSE(vr::audio::Device::Instance().Paused());
        frame_ -= 263;  // the input goes on as in a run without the pause
    }
    int frame_ = 0;
};

}  // namespace

TEST_F(Pause, ARunHeldForTenSecondsGoesOnExactlyAsIfItHadNotBeen) {
    // Long enough for seconds to tick, enemies to die and shots to fly.
    auto straight = Fly(300, -1);
    EXPECT_GT(G.RunTime, 8);
    EXPECT_GT(G.ShotsFired, 20);
    auto held = Fly(300, 70);
    for (size_t i = 0; i < held.first.size(); ++i)
        ASSERT_EQ(held.first[i], straight.first[i]) << "the held run went on differently at frame " << i + 1;
    EXPECT_TRUE(held.second == straight.second) << "the last frames differ";
}

TEST_F(Pause, FocusLossAndTheKeysHoldOnlyARun) {
    // On the menu nothing holds and the menu goes on being drawn.
    Form_Deactivate();
    Form_KeyUp(kKeyP, 0);
    EXPECT_FALSE(RunPaused());
    FrameLoopPass();
    EXPECT_EQ(extra.limitCalls, 1);
    // In a run: focus loss holds it and lets the pointer go; P takes it up
    // again with the pointer clipped to the field; Pause does as P does.
    StartRun();
    vr::RECT clip;
    EXPECT_TRUE(vr::GetClipCursor(&clip));
    Form_Deactivate();
    EXPECT_TRUE(RunPaused());
    EXPECT_FALSE(vr::GetClipCursor(&clip));
    Form_Deactivate();  // a second loss changes nothing
    EXPECT_TRUE(RunPaused());
    Form_KeyUp(kKeyP, 0);
    EXPECT_FALSE(RunPaused());
    EXPECT_TRUE(vr::GetClipCursor(&clip));
    EXPECT_EQ(clip.bottom - clip.top, 497);
    Form_KeyUp(kKeyPause, 0);
    EXPECT_TRUE(RunPaused());
    Form_KeyUp(kKeyPause, 0);
    EXPECT_FALSE(RunPaused());
}

TEST_F(Pause, InputWhileHeldIsNotKeptForLaterAndEnterStartsAFreshRun) {
    StartRun();
    Field_MouseMove(0, 0, 100, 400);
    PauseRun();
    Field_MouseMove(0, 0, 20, 30);
    Field_MouseDown(vr::kLeftButton, 0, 20, 30);
    Field_MouseDown(vr::kRightButton, 0, 20, 30);
    EXPECT_EQ(G.FieldMouseX, 100);
    EXPECT_EQ(G.FieldMouseY, 400);
    EXPECT_FALSE(vr::IsTrue(G.FireLeft) || vr::IsTrue(G.FireRight));
    G.Score = 12;
    Form_KeyDown(13, 0);
    EXPECT_FALSE(RunPaused());
    EXPECT_EQ(G.Score, 0);
    EXPECT_FALSE(vr::audio::Device::Instance().Paused());
}
