// Enemies, the random shots, the backdrop and the one-second tick.
#include <cmath>

#include "core/enemies.h"
#include "game_fixture.h"
#include "platform_testing/manual_clock.h"

using namespace game;
using namespace game::testing;

TEST_F(GameTest, AllThreeEnemiesSpawnInTheFirstRunFrame) {
    StartRun();
    UpdateEnemies();
    const int16_t speeds[] = {3, 3, 4}, hits[] = {4, 2, 2};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(G.Enemies[i].Active, kTrue);
        EXPECT_EQ(G.Enemies[i].Y, -30 + speeds[i]);
        EXPECT_EQ(G.Enemies[i].HitPoints, hits[i]);
        EXPECT_GE(G.Enemies[i].X, 0);
        EXPECT_LE(G.Enemies[i].X, 282);
    }
}

TEST_F(GameTest, RespawnThresholdsKeepEnemiesAwayAndFiveEndsThePass) {
    StartRun();
    G.TimeLeft = 30;
    G.Enemies[0] = EnemyRecord{kTrue, 50, 100, 3, 0, 4};
    G.Enemies[1] = EnemyRecord{kTrue, 150, 100, 3, 0, 2};
    G.Enemies[2] = EnemyRecord{kFalse, -100, -100, 4, 0, 0};
    UpdateEnemies();
    EXPECT_EQ(G.Enemies[2].Active, kFalse);  // 30 is below 31
    EXPECT_EQ(G.Enemies[1].Y, 103);
    G.TimeLeft = 1;
    G.TimeBonus = 4;  // 5 in all
    G.Enemies[1] = EnemyRecord{kFalse, -100, -100, 3, 0, 0};
    G.Enemies[2] = EnemyRecord{kTrue, 200, 100, 4, 0, 2};
    Field().Cls();
    UpdateEnemies();
    EXPECT_EQ(G.Enemies[1].Active, kFalse);
    EXPECT_EQ(G.Enemies[2].Y, 100);  // not moved
    EXPECT_EQ(FieldPixel(210, 110), 0u);  // nor drawn
    G.TimeBonus = 5;  // 6: enemy 1 comes back
    UpdateEnemies();
    EXPECT_EQ(G.Enemies[1].Active, kTrue);
}

TEST_F(GameTest, EscapesCostTimeOrBankedSecondsButNothingAtZero) {
    StartRun();
    auto escape = [&](int timeLeft, int bonus) {
        G.TimeLeft = int16_t(timeLeft);
        G.TimeBonus = int16_t(bonus);
        G.Enemies[0] = EnemyRecord{kTrue, 50, 500, 3, 0, 4};
        UpdateEnemies();
        EXPECT_EQ(G.Enemies[0].Active, kFalse);
    };
    escape(3, 0);
    EXPECT_EQ(G.TimeLeft, 0);
    escape(20, 0);
    EXPECT_EQ(G.TimeLeft, 15);
    escape(3, 4);
    EXPECT_EQ(G.TimeBonus, 0);
    EXPECT_EQ(G.TimeLeft, 3);
    escape(3, 14);
    EXPECT_EQ(G.TimeBonus, 4);
    escape(0, 7);
    EXPECT_EQ(G.TimeBonus, 7);
    EXPECT_EQ(G.TimeLeft, 0);
    EXPECT_EQ(engine.CountPlayed("enemy_miss"), 5);
}

TEST_F(GameTest, EnemiesWeaveInsideTheFieldAndKeepTheirStep) {
    StartRun();
    G.Enemies[0] = EnemyRecord{kTrue, 1, 100, 3, -1, 4};
    G.Enemies[1] = EnemyRecord{kTrue, 281, 100, 3, 1, 2};
    G.Enemies[2] = EnemyRecord{kTrue, 150, 100, 4, 0, 2};
    int fired = 0;
    for (int f = 0; f < 200; ++f) {
        for (auto& e : G.Enemies) e.Y = 100;
        UpdateEnemies();
        for (auto& e : G.Enemies) {
            EXPECT_GE(e.X, 0);
            EXPECT_LE(e.X, 282);
        }
        for (auto& r : G.EnemyFire) {
            fired += vr::IsTrue(r);
            r = kFalse;
        }
    }
    // Fire chances of 14, 12 and 7 percent per frame: about 66 shots in 200 frames.
    EXPECT_GT(fired, 40);
    EXPECT_LT(fired, 95);
}

TEST_F(GameTest, TheClockAtZeroPlaysTheCueOnceAndRainsShots) {
    StartRun();
    G.TimeLeft = 1;
    G.LastSecondTick = vr::GetTickCount() - 1000;
    SecondTick();
    EXPECT_EQ(G.TimeLeft, 0);
    EXPECT_EQ(G.RunTime, 1);
    EXPECT_EQ(engine.CountPlayed("atomic_end"), 1);
    vr::AdvanceManualClock(1'000'000'000);
    SecondTick();
    EXPECT_EQ(G.TimeLeft, -1);
    EXPECT_EQ(engine.CountPlayed("atomic_end"), 1);  // once per run
    int rain = 0;
    for (int f = 0; f < 1000; ++f) {
        G.RandomShot = kFalse;
        UpdateBackdrop();
        EXPECT_EQ(G.TimeLeft, 0);  // held at 0
        rain += vr::IsTrue(G.RandomShot);
    }
    EXPECT_GT(rain, 740);  // 79 % of frames
    EXPECT_LT(rain, 840);
}

TEST_F(GameTest, SecondTickSpendsBankedTimeFirstAndEndsBonusTimers) {
    StartRun();
    G.LastSecondTick = vr::GetTickCount();
    G.TimeBonus = 2;
    G.FirePowerOn = kTrue;
    G.FirePowerTime = 1;
    G.ShieldOn = kTrue;
    G.ShieldTime = 0;
    G.ScoreFlash = kTrue;
    SecondTick();  // less than a second: only the flash goes
    EXPECT_EQ(G.ScoreFlash, kFalse);
    EXPECT_EQ(G.RunTime, 0);
    vr::AdvanceManualClock(1'000'000'000);
    SecondTick();
    EXPECT_EQ(G.TimeBonus, 1);
    EXPECT_EQ(G.TimeLeft, 44);
    EXPECT_EQ(G.FirePowerTime, 0);
    EXPECT_EQ(G.FirePowerOn, kTrue);  // ends at the first tick that finds 0
    EXPECT_EQ(G.ShieldOn, kFalse);
    vr::AdvanceManualClock(999'000'000);
    SecondTick();
    EXPECT_EQ(G.TimeBonus, 1);  // 999 ms: not yet
    vr::AdvanceManualClock(1'000'000);
    SecondTick();
    EXPECT_EQ(G.TimeBonus, 0);
    EXPECT_EQ(G.FirePowerOn, kFalse);
}

TEST_F(GameTest, SecondTickKeepsFiringWhenTheMillisecondCounterWraps) {
    vr::SetManualClockNs((int64_t(2147483647) - 500) * 1'000'000);
    G.LastSecondTick = vr::GetTickCount();
    G.TimeLeft = 100;
    for (int s = 0; s < 5; ++s) {
        vr::AdvanceManualClock(1'000'000'000);
        SecondTick();
    }
    EXPECT_LT(vr::GetTickCount(), 0);
    EXPECT_EQ(G.RunTime, 5);
}

TEST_F(GameTest, RandomShotChancesGrowWithTheRunsAge) {
    StartRun();
    auto rate = [&](int runTime) {
        G.RunTime = int16_t(runTime);
        int n = 0;
        for (int f = 0; f < 4000; ++f) {
            G.RandomShot = kFalse;
            G.TimeLeft = 10;
            UpdateBackdrop();
            n += vr::IsTrue(G.RandomShot);
        }
        return n / 4000.0;
    };
    EXPECT_EQ(rate(19), 0.0);
    EXPECT_NEAR(rate(20), 0.04, 0.012);
    EXPECT_NEAR(rate(120), 1 - std::pow(0.96, 6), 0.02);
}

TEST_F(GameTest, EarthSinksThenTheWallsSlideIn) {
    StartRun();
    Field().Cls();
    UpdateBackdrop();
    EXPECT_EQ(G.EarthFrames, 149);
    const vr::Surface& earth = Form1().PicEarth->Image();
    EXPECT_EQ(FieldPixel(150, 353 + 100), earth.At(150, 100));  // copied to y = 502 - 149
    G.EarthFrames = 0;
    Field().Cls();
    UpdateBackdrop();
    EXPECT_EQ(G.WallSlide, 14);
    const vr::Surface& wl = Form1().PicWL->Image();
    EXPECT_EQ(FieldPixel(0, 20), wl.At(14, 20));  // the left wall still 14 pixels outside
    for (int f = 0; f < 20; ++f) UpdateBackdrop();
    EXPECT_EQ(G.WallSlide, 0);
    EXPECT_EQ(FieldPixel(3, 20), wl.At(3, 20));
    EXPECT_EQ(FieldPixel(290, 20), Form1().PicWR->Image().At(5, 20));
}
