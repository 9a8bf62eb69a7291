#include "bonus/bonuses.h"

#include "core/game_state.h"
#include "core/sound_cues.h"
#include "core/sprite_copy.h"
#include "platform/random.h"

namespace game {

namespace {

// One frame of a capsule: the spawn roll while inactive; fall, drift, draw
// and pickup while active.
template <class Effect>
void UpdateCapsule(BonusCapsule& c, const vr::PictureBox& box, int rollRange, int rollHit, Effect effect) {
    if (!vr::IsTrue(c.Active)) {
        vr::RandomizeFromClock();
        if (vr::Int16Floor(vr::Rnd() * double(rollRange)) != rollHit) return;
        c.Active = kTrue;
        c.X = vr::Int16Floor(vr::Rnd() * double(FieldWidth - 16));
        c.Y = -16;
        return;
    }
    c.Y = vr::Add16(c.Y, 10);
    c.X = vr::Add16(c.X, vr::Int16Floor(vr::Rnd() * 3) - 1);
    if (c.Y > FieldHeight) c.Active = kFalse;
    DrawMasked(box, 16, 16, 0, c.X, c.Y);
    if (c.X >= G.PlayerX + 20 || G.PlayerX >= c.X + 16 || G.PlayerY >= c.Y + 16 || c.Y >= G.PlayerY + 20) return;
    c.Active = kFalse;
    effect();
    PlayCue("bonus");
    G.ScoreFlash = kTrue;
    G.Score = Saturate16(int64_t(G.Score) + 3);
}

}  // namespace

void UpdateBonusA() {
    UpdateCapsule(G.BonusA, *Form1().PicBonusA, 500, 30, [] {
        G.ShieldOn = kTrue;
        G.ShieldTime = G.ShieldDuration;
    });
}

void UpdateBonusH() {
    UpdateCapsule(G.BonusH, *Form1().PicBonusH, 1100, 50,
                  [] { G.Health = Saturate16(int64_t(G.Health) + G.HealthBonus); });
}

void UpdateBonusF() {
    UpdateCapsule(G.BonusF, *Form1().PicBonusF, 800, 100, [] {
        G.FirePowerOn = kTrue;
        G.FirePowerTime = G.FirePowerDuration;
    });
}

void UpdateBonusF2() {
    if (G.AutoFireTime > 0) {
        vr::RandomizeFromClock();
        if (vr::Int16Floor(vr::Rnd() * 100) > 50) G.AutoFireShot = kTrue;
    }
    UpdateCapsule(G.BonusF2, *Form1().PicBonusF2, 1200, 100, [] {
        G.AutoFireShot = kTrue;
        G.AutoFireTime = G.AutoFireDuration;
    });
}

}  // namespace game
