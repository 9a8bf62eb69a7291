// The shot pool: spawning, enemy hits, ship contact, the shield, moving and freeing.
#include "core/shots.h"
#include "platform_testing/dialog_answers.h"
#include "game_fixture.h"

using namespace game;
using namespace game::testing;

namespace {
int LiveShots() {
    int n = 0;
    for (int i = 1; i <= 200; ++i) n += G.Shots[i].Speed > 0;
    return n;
}
}  // namespace

TEST_F(GameTest, RequestsTakeFreeSlotsInTableOrderAndWaitWhenNoneIsFree) {
    StartRun();
    ClearEnemies();
    G.Enemies[1] = EnemyRecord{kTrue, 100, 50, 3, 0, 2};
    G.FireLeft = G.FireRight = G.RandomShot = kTrue;
    G.EnemyFire[1] = kTrue;
    PutShot(2, 1, 0, 300, 5, -1, 5);  // slot 2 is live: the walk skips it
    UpdateShots();
    EXPECT_EQ(G.Shots[1].Kind, 1);
    EXPECT_EQ(G.Shots[3].Kind, 2);
    EXPECT_EQ(G.Shots[4].Kind, 4);  // enemy 1's shot, before the random one
    EXPECT_EQ(G.Shots[4].X, 108);
    EXPECT_EQ(G.Shots[4].Dir, 1);
    EXPECT_GE(G.Shots[5].Kind, 3);  // the random shot
    EXPECT_EQ(G.Shots[5].Dir, 1);
    EXPECT_EQ(G.Shots[6].Speed, 0);  // the walk stopped
    EXPECT_EQ(G.ShotsFired, 2);
    EXPECT_EQ(engine.CountPlayed("fire1"), 2);
    EXPECT_EQ(engine.CountPlayed("fire2"), 1);  // played, though no sound is registered under it
    // A full pool: the request waits for the next frame.
    for (int i = 1; i <= 200; ++i) PutShot(i, 3, 0, 100, 1, 1, 50);
    G.FireLeft = kTrue;
    UpdateShots();
    EXPECT_EQ(G.FireLeft, kTrue);
    G.Shots[77].Speed = 0;
    UpdateShots();
    EXPECT_EQ(G.FireLeft, kFalse);
    EXPECT_EQ(G.Shots[77].Kind, 1);
}

TEST_F(GameTest, ShipShotsStartAtTheShipWithTheirSpeeds) {
    StartRun();
    ClearEnemies();
    G.PlayerX = 100;
    G.PlayerY = 400;
    G.FireLeft = G.FireRight = G.AutoFireShot = kTrue;
    UpdateShots();
    // Spawned, then moved once in the same frame.
    EXPECT_EQ(G.Shots[1].X, 100 - 0);
    EXPECT_EQ(G.Shots[1].Y, 403 - 10);
    EXPECT_EQ(G.Shots[1].Arming, 15 - 1);
    EXPECT_EQ(G.Shots[2].X, 115);
    EXPECT_EQ(G.Shots[2].Speed, 5);
    EXPECT_EQ(G.Shots[3].Kind, 5);
    EXPECT_EQ(G.Shots[3].X, 107);
    EXPECT_EQ(G.ShotsFired, 3);
}

TEST_F(GameTest, FirePowerMakesTwoLeftShotsOneOfThemDrifting) {
    StartRun();
    ClearEnemies();
    G.PlayerX = 100;
    G.PlayerY = 400;
    G.FirePowerOn = kTrue;
    Field_MouseDown(vr::kLeftButton, 0, 110, 410);
    UpdateShots();
    EXPECT_EQ(LiveShots(), 2);
    EXPECT_EQ(G.Shots[1].Drift, kFalse);
    EXPECT_EQ(G.Shots[2].Drift, kTrue);
    EXPECT_EQ(G.Shots[2].X, 97);  // a drifting kind-1 shot moves 3 pixels left each frame
    EXPECT_EQ(G.ShotsFired, 2);
}

TEST_F(GameTest, KillsScoreByKindAndOneShotCanStrikeTwoOverlappingEnemies) {
    StartRun();
    ClearEnemies();
    G.Enemies[0] = EnemyRecord{kTrue, 100, 100, 3, 0, 1};
    G.Enemies[1] = EnemyRecord{kTrue, 105, 102, 3, 0, 1};
    PutShot(1, 2, 108, 110, 5, -1, 10);
    UpdateShots();
    EXPECT_EQ(G.Score, 6);  // two kills with a kind-2 shot: 3 + 3
    EXPECT_EQ(G.Hits, 2);
    EXPECT_EQ(G.TimeBonus, 2);
    EXPECT_EQ(G.ScoreFlash, kTrue);
    EXPECT_EQ(G.Enemies[0].Active, kFalse);
    EXPECT_EQ(G.Enemies[0].X, -100);
    EXPECT_EQ(G.Explosions[1].Frame, 26);
    EXPECT_FLOAT_EQ(G.Explosions[1].X, 78);  // 100 - 22
    EXPECT_FLOAT_EQ(G.Explosions[1].Y, 75);  // knocked back to 97, then - 22
    EXPECT_EQ(G.Explosions[2].Frame, 26);
    EXPECT_EQ(engine.CountPlayed("small_exp"), 2);
    EXPECT_EQ(engine.CountPlayed("small_exp2"), 2);
    EXPECT_EQ(G.Shots[1].Speed, 0);
    EXPECT_EQ(G.Sparks[1].Frame, 12);
    EXPECT_FLOAT_EQ(G.Sparks[1].X, 105);
    // Kind 1 gives 4, a reflected enemy shot (kind 3) gives 2.
    G.Score = 0;
    G.Enemies[2] = EnemyRecord{kTrue, 200, 100, 3, 0, 1};
    PutShot(1, 1, 205, 110, 10, -1, 10);
    UpdateShots();
    EXPECT_EQ(G.Score, 4);
    G.Enemies[2] = EnemyRecord{kTrue, 200, 100, 3, 0, 1};
    PutShot(1, 3, 205, 110, 6, -1, 10, true);
    UpdateShots();
    EXPECT_EQ(G.Score, 6);
}

TEST_F(GameTest, AnEnemyDownToOneHitPointSmokesAndSlows) {
    StartRun();
    ClearEnemies();
    G.Enemies[0] = EnemyRecord{kTrue, 100, 100, 3, 0, 4};
    for (int hit = 1; hit <= 3; ++hit) {
        PutShot(1, 1, 105, 110, 10, -1, 10);
        UpdateShots();
    }
    EXPECT_EQ(G.Enemies[0].HitPoints, 1);
    EXPECT_EQ(G.Enemies[0].Speed, 2);
    EXPECT_EQ(G.Enemies[0].Y, 91);  // knocked back 3 pixels per hit
    EXPECT_EQ(G.Smokes[1].On, kTrue);
    EXPECT_EQ(G.Smokes[1].Frame, 8);
    EXPECT_EQ(G.Enemies[0].Active, kTrue);
    PutShot(1, 1, 105, 100, 10, -1, 10);
    UpdateShots();
    EXPECT_EQ(G.Enemies[0].Active, kFalse);  // the fourth hit kills
}

TEST_F(GameTest, ShieldTurnsAFallingShotOnceAndUnshieldedHitsCostHealth) {
    StartRun();
    ClearEnemies();
    G.PlayerX = 100;
    G.PlayerY = 400;
    G.ShieldOn = kTrue;
    PutShot(1, 3, 105, 395, 5, 1);
    UpdateShots();
    EXPECT_EQ(G.Shots[1].Dir, -1);
    EXPECT_EQ(G.Shots[1].Drift, kTrue);
    EXPECT_EQ(G.Shots[1].Kind, 3);
    EXPECT_EQ(engine.CountPlayed("shield_boing"), 1);
    G.Shots[1].Y = 398;
    UpdateShots();  // touching again on the way up: no second boing
    EXPECT_EQ(engine.CountPlayed("shield_boing"), 1);
    EXPECT_EQ(G.Health, 10);
    G.ShieldOn = kFalse;
    G.Health = 3;
    PutShot(2, 4, 105, 395, 5, 1);
    UpdateShots();
    EXPECT_EQ(G.Health, 2);
    EXPECT_EQ(G.Shots[2].Speed, 0);
    EXPECT_EQ(G.Smokes[0].On, kTrue);  // below 3: the ship smokes
    EXPECT_GE(engine.CountPlayed("small_exp2"), 1);
}

TEST_F(GameTest, ArmingProtectsTheShipAndOldShipShotsHurtIt) {
    StartRun();
    ClearEnemies();
    G.PlayerX = 100;
    G.PlayerY = 400;
    PutShot(1, 1, 105, 405, 1, -1, 2);
    UpdateShots();
    UpdateShots();
    EXPECT_EQ(G.Health, 10);  // still arming
    EXPECT_EQ(G.Shots[1].Arming, 0);
    G.Shots[1].Y = 405;
    UpdateShots();
    EXPECT_EQ(G.Health, 9);  // armed: a ship shot touching the ship hurts it
}

TEST_F(GameTest, WhistleZonesPlayOnTheirSideWithTheirPan) {
    StartRun();
    ClearEnemies();
    G.PlayerX = 100;
    G.PlayerY = 400;
    PutShot(1, 3, 90, 417, 1, 1);   // X + 5 = 95: inside 90 .. 102 exclusive; Y inside 415 .. 420
    PutShot(2, 3, 125, 417, 1, 1);  // inside 118 .. 130
    PutShot(3, 3, 85, 417, 1, 1);   // X + 5 = 90: on the edge, outside
    PutShot(4, 3, 125, 415, 1, 1);  // Y 415 is PY + 15: outside
    UpdateShots();
    EXPECT_EQ(engine.CountPlayed("bullet_wiz_l"), 1);
    EXPECT_EQ(engine.CountPlayed("bullet_wiz_r"), 1);
    for (const auto& c : engine.calls) {
        if (c.name == "bullet_wiz_l") {
            EXPECT_EQ(c.pan, -100);
        }
        if (c.name == "bullet_wiz_r") {
            EXPECT_EQ(c.pan, 100);
        }
    }
}

TEST_F(GameTest, ShotsLeaveTheFieldAtTheirEdgesAndAreDrawnMasked) {
    StartRun();
    ClearEnemies();
    G.PlayerX = 0;
    G.PlayerY = 0;
    PutShot(1, 1, 150, 3, 10, -1, 20);  // to Y -7: stays live
    PutShot(2, 1, 160, 2, 10, -1, 20);  // to Y -8: freed after being drawn
    PutShot(3, 4, 170, 495, 8, 1, 20);  // to Y 503: freed
    PutShot(4, 2, 180, 200, 5, -1, 20);
    Field().Cls();
    UpdateShots();
    EXPECT_EQ(G.Shots[1].Speed, 10);
    EXPECT_EQ(G.Shots[2].Speed, 0);
    EXPECT_EQ(G.Shots[3].Speed, 0);
    const vr::Surface& yellow = Form1().BulletY->Image();
    EXPECT_EQ(FieldPixel(182, 197), yellow.At(2, 2));  // the centre of the kind-2 shot at (180, 195)
    EXPECT_EQ(FieldPixel(180 + 10, 197), 0u);
}

TEST_F(GameTest, TheRunEndsWhenHealthFallsBelowOne) {
    StartRun();
    vr::PushDialogAnswer("Zed");
    vr::PushDialogAnswer("Zed");
    G.Health = 0;
    G.Score = 5;
    G.RunTime = 3;
    G.FieldMouseX = 50;
    G.FieldMouseY = 60;
    ::testing::internal::CaptureStderr();
    UpdatePlayer();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(G.Playing, kFalse);
    EXPECT_EQ(G.PlayerX, 40);
    EXPECT_EQ(G.PlayerY, 50);
    EXPECT_EQ(G.TopTen[1].Name, "Zed");
    EXPECT_EQ(G.HighlightPlace, 1);
}
