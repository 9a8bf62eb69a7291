#include "core/enemies.h"

#include "core/effects.h"
#include "core/game_state.h"
#include "core/sound_cues.h"
#include "core/sprite_copy.h"
#include "platform/kernel.h"
#include "platform/random.h"

namespace game {

namespace {

struct EnemyKind {
    int16_t speed, hitPoints;
    int fireAbove;  // whole(R x 100) above this fires
};
constexpr EnemyKind kKinds[3] = {{3, 4, 85}, {3, 2, 87}, {4, 2, 92}};

int Roll(int range) {
    vr::RandomizeFromClock();
    return vr::Int16Floor(vr::Rnd() * double(range));
}

const vr::PictureBox& EnemyBox(int i) {
    return i == 0 ? *Form1().PicE : i == 1 ? *Form1().PicE2 : *Form1().PicE3;
}

}  // namespace

void UpdateBackdrop() {
    if (G.RunTime >= 20 && Roll(100) > 95) G.RandomShot = kTrue;
    for (int threshold : {40, 60, 80, 100, 120})
        if (G.RunTime >= threshold && G.TimeLeft > 0 && Roll(100) > 95) G.RandomShot = kTrue;
    if (G.TimeLeft < 1) {
        if (Roll(100) > 20) G.RandomShot = kTrue;
        G.TimeLeft = 0;
    }
    if (G.EarthFrames >= 1) {
        --G.EarthFrames;
        // The picture is 279 rows high; the rows of the 300-row copy below it are left as they are.
        DrawOpaque(*Form1().PicEarth, 300, 300, 0, FieldHeight - G.EarthFrames);
    } else {
        if (G.WallSlide >= 1) --G.WallSlide;
        DrawOpaque(*Form1().PicWL, 15, 500, -G.WallSlide, 0);
        DrawOpaque(*Form1().PicWR, 15, 500, 285 + G.WallSlide, 0);
    }
}

void UpdateEnemies() {
    for (int i = 0; i < 3; ++i) {
        vr::RandomizeFromClock();
        EnemyRecord& e = G.Enemies[i];
        if (!vr::IsTrue(e.Active)) {
            const int available = G.TimeLeft + G.TimeBonus;
            if ((i == 2 && available < 31) || (i == 1 && available < 6)) return;
            e.Active = kTrue;
            e.Speed = kKinds[i].speed;
            e.HitPoints = kKinds[i].hitPoints;
            e.X = vr::Int16Floor(vr::Rnd() * double(FieldWidth - 30));
            e.Y = -30;
            SetSmoke(int16_t(i + 1), kFalse);
        }
        if (vr::IsTrue(e.Active)) {
            e.Y = vr::Add16(e.Y, e.Speed);
            if (vr::Int16Floor(vr::Rnd() * 100) > 90) e.StepX = vr::Int16Floor(vr::Rnd() * 3) - 1;
            e.X = vr::Add16(e.X, 3 * e.StepX);
            if (e.X < 0) e.X = 0;
            if (e.X > FieldWidth - 20) e.X = FieldWidth - 20;
            if (Roll(100) > kKinds[i].fireAbove) G.EnemyFire[i] = kTrue;
            if (e.Y > FieldHeight) {
                e.Active = kFalse;
                PlayCue("enemy_miss");
                if (G.TimeLeft > 0) {
                    if (G.TimeBonus < 1) G.TimeLeft = int16_t(G.TimeLeft - 5 < 0 ? 0 : G.TimeLeft - 5);
                    else G.TimeBonus = int16_t(G.TimeBonus - 10 < 0 ? 0 : G.TimeBonus - 10);
                }
            }
        }
        DrawMasked(EnemyBox(i), 20, 20, 0, e.X, e.Y);
    }
}

void SecondTick() {
    G.ScoreFlash = kFalse;
    // Compared as an unsigned difference, so the tick keeps firing when the
    // signed millisecond counter wraps.
    if (static_cast<uint32_t>(vr::GetTickCount()) - static_cast<uint32_t>(G.LastSecondTick) < 1000u) return;
    G.LastSecondTick = vr::GetTickCount();
    G.RunTime = Saturate16(int64_t(G.RunTime) + 1);
    if (G.TimeBonus >= 1) --G.TimeBonus;
    else G.TimeLeft = Saturate16(int64_t(G.TimeLeft) - 1);
    if (G.TimeLeft < 1 && !vr::IsTrue(G.AtomicCuePlayed)) {
        PlayCue("atomic_end");
        G.AtomicCuePlayed = kTrue;
    }
    if (G.FirePowerTime >= 1) {
        --G.FirePowerTime;
    } else {
        G.FirePowerTime = 0;
        G.FirePowerOn = kFalse;
    }
    if (G.AutoFireTime >= 1) {
        --G.AutoFireTime;
    } else {
        G.AutoFireTime = 0;
        G.AutoFireShot = kFalse;
    }
    if (G.ShieldTime >= 1) --G.ShieldTime;
    else G.ShieldOn = kFalse;
}

}  // namespace game
