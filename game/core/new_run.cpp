#include "core/new_run.h"

#include "core/game_state.h"
#include "platform/cursor.h"
#include "platform/user_types.h"
#include "platform/window_rect.h"
#include "scores/top_ten.h"
#include "window/form1.h"

namespace game {

void ClipPointerToField() {
    vr::RECT r;
    vr::POINT p;
    vr::GetClientRect(Field().hWnd(), &r);
    vr::ClientToScreen(Field().hWnd(), &p);
    vr::OffsetRect(&r, p.x, p.y);
    r.bottom -= 3;
    vr::ClipCursor(&r);
}

void NewRun() {
    LoadTop10();
    Field().ClearPicture();
    for (auto& e : G.Enemies) e = EnemyRecord{};
    for (auto& s : G.Shots) {
        s.Speed = 0;
        s.Drift = kFalse;
    }
    for (auto& b : G.Explosions) b = BlastRecord{};
    for (auto& b : G.Sparks) b = BlastRecord{};
    for (auto& s : G.Smokes) s = SmokeRecord{};
    G.ShotsFired = 0;
    G.Hits = 0;
    G.FireLeft = G.FireRight = kFalse;
    G.EnemyFire = {kFalse, kFalse, kFalse};
    G.FirePowerOn = kFalse;
    G.FirePowerTime = 0;
    G.AutoFireShot = kFalse;
    G.AutoFireTime = 0;
    G.PowerLeft = G.PowerRight = kFalse;
    G.RandomShot = kFalse;
    G.AtomicCuePlayed = kFalse;
    G.RunCount = Saturate16(int64_t(G.RunCount) + 1);
    G.ScoreFlash = kFalse;
    G.BonusA.Active = G.BonusH.Active = G.BonusF.Active = G.BonusF2.Active = kFalse;
    G.ShieldOn = kFalse;
    G.RunTime = 0;
    G.EarthFrames = 150;
    G.WallSlide = 15;
    ClipPointerToField();
    G.PlayerX = 128;
    G.Health = 10;
    G.ShotSpeed = 10;
    G.PlayerY = 435;
    G.TimeBonus = 0;
    G.TimeLeft = 44;
    G.FirePowerDuration = 5;
    G.AutoFireDuration = 4;
    G.HealthBonus = 2;
    G.ShieldDuration = 4;
    G.Score = 0;
}

}  // namespace game
