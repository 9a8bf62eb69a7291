// Explosions, sparks, smoke, and the bonus capsules.
#include "bonus/bonuses.h"
#include "core/effects.h"
#include "game_fixture.h"

using namespace game;
using namespace game::testing;

TEST_F(GameTest, ExplosionsAndSparksRunOutOfSlotsSilently) {
    StartRun();
    for (int i = 0; i < 12; ++i) StartExplosion(float(i), 0);
    for (int i = 0; i < 25; ++i) StartSpark(float(i), 0);
    EXPECT_EQ(engine.CountPlayed("small_exp"), 10);  // the eleventh plays nothing either
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(G.Explosions[i].Frame, 26);
    for (int i = 1; i <= 20; ++i) EXPECT_EQ(G.Sparks[i].Frame, 12);
    EXPECT_EQ(G.Explosions[0].Frame, 0);  // slot 0 is never used
    for (int f = 0; f < 26; ++f) DrawExplosions();
    for (int f = 0; f < 12; ++f) DrawSparks();
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(G.Explosions[i].Frame, 0);
    for (int i = 1; i <= 20; ++i) EXPECT_EQ(G.Sparks[i].Frame, 0);
    StartExplosion(1, 1);
    EXPECT_EQ(G.Explosions[1].Frame, 26);  // free again
}

TEST_F(GameTest, AnExplosionPlaysItsSheetColumnByColumn) {
    StartRun();
    StartExplosion(100.4f, 200.6f);
    const vr::Surface& sheet = Form1().PicExp->Image();
    for (int column = 0; column < 26; ++column) {
        Field().Cls();
        DrawExplosions();
        // The frame's centre pixel, drawn at the rounded position (100, 201).
        uint32_t expected = sheet.At(column * 64 + 32, 32);
        if (sheet.At(column * 64 + 32, 64 + 32) == 0) {
            EXPECT_EQ(FieldPixel(132, 233), expected) << column;
        }
    }
}

TEST_F(GameTest, SmokeStaysWhereEachPuffBeganAndKeepsItsPhase) {
    StartRun();
    G.Enemies[0] = EnemyRecord{kTrue, 100, 100, 2, 0, 1};
    SetSmoke(1, kTrue);
    DrawSmoke();
    EXPECT_FLOAT_EQ(G.Smokes[1].X, 100);
    EXPECT_EQ(G.Smokes[1].Frame, 7);
    G.Enemies[0].X = 150;
    G.Enemies[0].Y = 130;
    SetSmoke(1, kTrue);  // switched on again while running: the phase is kept
    EXPECT_EQ(G.Smokes[1].Frame, 7);
    for (int f = 0; f < 7; ++f) DrawSmoke();
    EXPECT_FLOAT_EQ(G.Smokes[1].X, 100);  // the puff stays where it began
    EXPECT_EQ(G.Smokes[1].Frame, 0);
    DrawSmoke();  // frame 0 draws the empty ninth column and wraps to 8
    EXPECT_EQ(G.Smokes[1].Frame, 8);
    DrawSmoke();  // a new puff begins on the owner
    EXPECT_FLOAT_EQ(G.Smokes[1].X, 150);
    EXPECT_FLOAT_EQ(G.Smokes[1].Y, 130);
    // The ship's smoke stops at its next puff once health is above 2, not at once.
    G.Health = 2;
    SetSmoke(0, kTrue);
    DrawSmoke();
    G.Health = 4;
    DrawSmoke();
    EXPECT_EQ(G.Smokes[0].On, kTrue);
    for (int f = 0; f < 7; ++f) DrawSmoke();
    EXPECT_EQ(G.Smokes[0].Frame, 8);
    DrawSmoke();
    EXPECT_EQ(G.Smokes[0].On, kFalse);
}

TEST_F(GameTest, CapsulesAreCollectedOnlyWhenTheBoxesOverlap) {
    StartRun();
    G.PlayerX = 100;
    G.PlayerY = 400;
    G.BonusH = BonusCapsule{kTrue, 0, 390};
    vr::SetRandomState(1);
    // Drift is random: place the capsule after the move by retrying from the same state.
    auto tryAt = [&](int x) {
        uint32_t state = vr::GetRandomState();
        G.BonusH = BonusCapsule{kTrue, int16_t(x), 390};
        UpdateBonusH();
        int drift = G.BonusH.X - x;  // -1, 0 or 1 (when still active)
        vr::SetRandomState(state);
        int target = x - drift;
        G.BonusH = BonusCapsule{kTrue, int16_t(target), 390};
        G.Health = 10;
        G.Score = 0;
        UpdateBonusH();
        return G.Health == 12;
    };
    EXPECT_TRUE(tryAt(119));   // PlayerX + 19 collects
    EXPECT_EQ(G.Score, 3);
    EXPECT_EQ(G.ScoreFlash, kTrue);
    EXPECT_FALSE(tryAt(120));  // PlayerX + 20 does not
    EXPECT_TRUE(tryAt(85));    // X + 16 = 101 overlaps PlayerX
    EXPECT_FALSE(tryAt(84));
    EXPECT_GE(engine.CountPlayed("bonus"), 2);
}

TEST_F(GameTest, CapsulesFallTenPixelsAFrameAndLeaveBelowTheField) {
    StartRun();
    G.PlayerX = -100;
    G.PlayerY = -100;
    G.BonusA = BonusCapsule{kTrue, 100, -16};
    int frames = 0;
    while (vr::IsTrue(G.BonusA.Active) && frames < 100) {
        UpdateBonusA();
        ++frames;
        if (G.BonusA.Y == 502) {
            EXPECT_EQ(G.BonusA.Active, kTrue);
        }
    }
    EXPECT_EQ(frames, 52);  // removed at Y 504
    EXPECT_EQ(G.BonusA.Y, 504);
}

TEST_F(GameTest, EachKindGrantsItsEffect) {
    StartRun();
    G.PlayerX = 100;
    G.PlayerY = 100;
    auto pick = [&](BonusCapsule& c, void (*update)()) {
        c = BonusCapsule{kTrue, 102, 92};
        update();
        EXPECT_EQ(c.Active, kFalse);
    };
    pick(G.BonusA, UpdateBonusA);
    EXPECT_EQ(G.ShieldOn, kTrue);
    EXPECT_EQ(G.ShieldTime, 4);
    pick(G.BonusF, UpdateBonusF);
    EXPECT_EQ(G.FirePowerOn, kTrue);
    EXPECT_EQ(G.FirePowerTime, 5);
    pick(G.BonusF2, UpdateBonusF2);
    EXPECT_EQ(G.AutoFireShot, kTrue);
    EXPECT_EQ(G.AutoFireTime, 4);
    EXPECT_EQ(G.Score, 9);
}

TEST_F(GameTest, AutoFireShotsComeOnlyWhileItsTimeRuns) {
    StartRun();
    G.BonusF2.Active = kFalse;
    int shots = 0;
    G.AutoFireTime = 0;
    for (int f = 0; f < 500; ++f) {
        G.AutoFireShot = kFalse;
        G.BonusF2.Active = kTrue;  // keep the spawn roll out of the count
        G.BonusF2.Y = -1000;
        UpdateBonusF2();
        shots += vr::IsTrue(G.AutoFireShot);
    }
    EXPECT_EQ(shots, 0);
    G.AutoFireTime = 3;
    for (int f = 0; f < 1000; ++f) {
        G.AutoFireShot = kFalse;
        G.BonusF2.Active = kTrue;
        G.BonusF2.Y = -1000;
        UpdateBonusF2();
        shots += vr::IsTrue(G.AutoFireShot);
    }
    EXPECT_NEAR(shots, 490, 60);  // 49 in 100 frames
}

TEST_F(GameTest, CapsulesSpawnAtTheTopWithinTheField) {
    StartRun();
    int spawned = 0;
    for (int f = 0; f < 20000 && spawned < 20; ++f) {
        UpdateBonusA();
        if (vr::IsTrue(G.BonusA.Active)) {
            EXPECT_EQ(G.BonusA.Y, -16);
            EXPECT_GE(G.BonusA.X, 0);
            EXPECT_LE(G.BonusA.X, 285);
            ++spawned;
            G.BonusA.Active = kFalse;
        }
    }
    EXPECT_EQ(spawned, 20);  // about 1 in 500 frames: 40 expected in 20000
}
