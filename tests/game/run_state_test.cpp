// The run reset, the window's handlers and the start-up.
#include <functional>

#include "core/game_main.h"
#include "core/new_run.h"
#include "core/sound_cues.h"
#include "game_fixture.h"
#include "platform/cursor.h"
#include "platform/user_types.h"

using namespace game;
using namespace game::testing;

TEST_F(GameTest, NewRunPutsEveryValueIntoTheStateOfAFreshRun) {
    // Dirty every value first.
    G.Playing = kTrue;
    G.PlayerX = G.PlayerY = G.Health = G.ShotSpeed = 77;
    G.FireLeft = G.FireRight = G.PowerLeft = G.PowerRight = G.RandomShot = kTrue;
    G.EnemyFire = {kTrue, kTrue, kTrue};
    G.FirePowerOn = G.AutoFireShot = G.ShieldOn = G.ScoreFlash = G.AtomicCuePlayed = kTrue;
    G.FirePowerTime = G.AutoFireTime = G.ShieldTime = G.Score = G.TimeLeft = G.TimeBonus = 9;
    G.RunTime = G.ShotsFired = G.Hits = G.EarthFrames = G.WallSlide = 9;
    G.RunCount = 3;
    G.LastSecondTick = 1234;
    G.FieldMouseX = 55;
    G.FirePowerDuration = G.AutoFireDuration = G.HealthBonus = G.ShieldDuration = 1;
    G.BonusA.Active = G.BonusH.Active = G.BonusF.Active = G.BonusF2.Active = kTrue;
    for (auto& s : G.Shots) s = ShotRecord{1, 2, 3, 4, 1, 7, kTrue};
    for (auto& e : G.Enemies) e = EnemyRecord{kTrue, 1, 2, 3, 1, 4};
    for (auto& b : G.Explosions) b = BlastRecord{1, 2, 3};
    for (auto& s : G.Smokes) s = SmokeRecord{kTrue, 1, 2, 3};
    Field().SetPicture(vr::Surface(300, 500, 0x123456));

    NewRun();

    struct Expect {
        const char* name;
        int actual, expected;
    };
    const Expect table[] = {
        {"Playing (kept)", G.Playing, kTrue}, {"PlayerX", G.PlayerX, 128}, {"PlayerY", G.PlayerY, 435},
        {"Health", G.Health, 10}, {"ShotSpeed", G.ShotSpeed, 10}, {"FieldMouseX (kept)", G.FieldMouseX, 55},
        {"FireLeft", G.FireLeft, 0}, {"FireRight", G.FireRight, 0}, {"PowerLeft", G.PowerLeft, 0},
        {"PowerRight", G.PowerRight, 0}, {"EnemyFire 0", G.EnemyFire[0], 0}, {"EnemyFire 2", G.EnemyFire[2], 0},
        {"RandomShot", G.RandomShot, 0}, {"FirePowerOn", G.FirePowerOn, 0}, {"FirePowerTime", G.FirePowerTime, 0},
        {"AutoFireShot", G.AutoFireShot, 0}, {"AutoFireTime", G.AutoFireTime, 0}, {"ShieldOn", G.ShieldOn, 0},
        {"ShieldTime (kept)", G.ShieldTime, 9}, {"Score", G.Score, 0}, {"ScoreFlash", G.ScoreFlash, 0},
        {"TimeLeft", G.TimeLeft, 44}, {"TimeBonus", G.TimeBonus, 0}, {"AtomicCuePlayed", G.AtomicCuePlayed, 0},
        {"RunTime", G.RunTime, 0}, {"RunCount", G.RunCount, 4}, {"ShotsFired", G.ShotsFired, 0},
        {"Hits", G.Hits, 0}, {"EarthFrames", G.EarthFrames, 150}, {"WallSlide", G.WallSlide, 15},
        {"LastSecondTick (kept)", G.LastSecondTick, 1234}, {"FirePowerDuration", G.FirePowerDuration, 5},
        {"AutoFireDuration", G.AutoFireDuration, 4}, {"HealthBonus", G.HealthBonus, 2},
        {"ShieldDuration", G.ShieldDuration, 4}, {"BonusA.Active", G.BonusA.Active, 0},
        {"BonusF2.Active", G.BonusF2.Active, 0},
    };
    for (const auto& e : table) EXPECT_EQ(e.actual, e.expected) << e.name;
    for (const auto& s : G.Shots) {
        EXPECT_EQ(s.Speed, 0);
        EXPECT_EQ(s.Drift, 0);
        EXPECT_EQ(s.Kind, 4);   // kept for the next use of the slot
        EXPECT_EQ(s.Arming, 7); // kept too
    }
    for (const auto& e : G.Enemies) EXPECT_EQ(e.Active + e.X + e.Y + e.Speed + e.StepX + e.HitPoints, 0);
    for (const auto& b : G.Explosions) EXPECT_EQ(b.Frame + b.X + b.Y, 0);
    for (const auto& s : G.Smokes) EXPECT_EQ(s.On + s.Frame + s.X + s.Y, 0);
    EXPECT_TRUE(Field().Picture().Empty());  // the menu backdrop is gone
    vr::RECT clip;
    ASSERT_TRUE(vr::GetClipCursor(&clip));
    EXPECT_EQ(clip.right - clip.left, 300);
    EXPECT_EQ(clip.bottom - clip.top, 497);  // the bottom 3 pixels cut off
    vr::ClipCursor(nullptr);
}

TEST_F(GameTest, MouseHandlersSetRequestsAndStartRunsOnRelease) {
    Field_MouseDown(vr::kLeftButton, 0, 10, 10);
    EXPECT_EQ(G.FireLeft, kTrue);
    EXPECT_EQ(G.PowerLeft, kFalse);
    G.FirePowerOn = kTrue;
    Field_MouseDown(vr::kRightButton, 0, 10, 10);
    EXPECT_EQ(G.FireRight, kTrue);
    EXPECT_EQ(G.PowerRight, kTrue);
    Field_MouseDown(vr::kMiddleButton, 0, 10, 10);
    Field_MouseMove(0, 0, 100.5f, 201.5f);
    EXPECT_EQ(G.FieldMouseX, 100);  // ties to even
    EXPECT_EQ(G.FieldMouseY, 202);
    Field_MouseUp(vr::kRightButton, 0, 0, 0);
    EXPECT_EQ(G.Playing, kFalse);  // a right click does nothing on the menu
    Field_MouseUp(vr::kLeftButton, 0, 0, 0);
    EXPECT_EQ(G.Playing, kTrue);
    EXPECT_EQ(G.FireLeft, kFalse);  // the starting click fires nothing
    int runs = G.RunCount;
    Form_MouseUp(vr::kLeftButton, 0, 0, 0);  // during a run: nothing
    EXPECT_EQ(G.RunCount, runs);
    G.Score = 40;
    Form_KeyDown(13, 0);  // Enter restarts at once
    EXPECT_EQ(G.RunCount, runs + 1);
    EXPECT_EQ(G.Score, 0);
    Form_KeyDown(65, 0);
    EXPECT_EQ(G.RunCount, runs + 1);
    vr::ClipCursor(nullptr);
}

TEST_F(GameTest, StartUpStartsTheEngineRegistersTheCuesAndPlaysWelcomeAndAmbient) {
    StartUp();
    ASSERT_GE(engine.calls.size(), 16u);
    EXPECT_EQ(engine.calls[0].member, "Korva2D_Start_OnlySound");
    EXPECT_EQ(engine.calls[0].file, std::string(VR_BIN_DIR));
    const char* order[][2] = {{"small_exp", "small_exp.wav"},       {"small_exp2", "small_exp2.wav"},
                              {"fire1", "fire1.wav"},               {"shield_boing", "shield_boing.wav"},
                              {"bonus", "bonus.wav"},               {"atomic_end", "atomic_end.wav"},
                              {"bullet_wiz_l", "bullet_wiz_1.wav"}, {"bullet_wiz_r", "bullet_wiz_1.wav"},
                              {"wellcome", "wellcome.wav"},         {"enemy_miss", "enemy_miss.wav"},
                              {"ambient_space", "ambient_space.wav"}, {"event", "event.wav"},
                              {"keyboard", "keyboard.wav"}};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(engine.calls[1 + i].member, "CreateSound");
        EXPECT_EQ(engine.calls[1 + i].name, order[i][0]);
        EXPECT_EQ(engine.calls[1 + i].file, order[i][1]);
    }
    const Call& welcome = engine.calls[14];
    EXPECT_EQ(welcome.name, "wellcome");
    EXPECT_EQ(welcome.loop, 0);
    EXPECT_EQ(welcome.volume, 100);
    const Call& ambient = engine.calls[15];
    EXPECT_EQ(ambient.name, "ambient_space");
    EXPECT_EQ(ambient.loop, -1);
    EXPECT_EQ(ambient.volume, 99);
    EXPECT_EQ(ambient.pan, 0);
    EXPECT_EQ(ambient.frequency, 0);
    EXPECT_FALSE(Field().Picture().Empty());  // the menu backdrop is loaded
    EXPECT_EQ(G.Playing, kFalse);
    EXPECT_EQ(G.RunCount, 1);
    EXPECT_FALSE(G.ScoreDir.empty());
    vr::ClipCursor(nullptr);
}
