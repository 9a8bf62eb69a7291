#include "core/shots.h"

#include "core/effects.h"
#include "core/game_state.h"
#include "core/sound_cues.h"
#include "core/sprite_copy.h"
#include "platform/random.h"
#include "scores/top_ten.h"

namespace game {

namespace {

int16_t Whole(double v) { return vr::Int16Floor(v); }

bool AnyRequest() {
    return vr::IsTrue(G.FireLeft) || vr::IsTrue(G.FireRight) || vr::IsTrue(G.PowerLeft) ||
           vr::IsTrue(G.PowerRight) || vr::IsTrue(G.AutoFireShot) || vr::IsTrue(G.EnemyFire[0]) ||
           vr::IsTrue(G.EnemyFire[1]) || vr::IsTrue(G.EnemyFire[2]) || vr::IsTrue(G.RandomShot);
}

void ShipShot(ShotRecord& s, int16_t kind, int16_t speed, int16_t x, Bool16 drift, bool setDrift) {
    s.Kind = kind;
    s.Speed = speed;
    s.X = x;
    s.Y = vr::Add16(G.PlayerY, 3);
    s.Dir = -1;
    s.Arming = 15;
    if (setDrift) s.Drift = drift;
    PlayCue("fire1");
    G.ShotsFired = Saturate16(int64_t(G.ShotsFired) + 1);
}

void EnemyShot(ShotRecord& s, int e, int16_t kind, int range, int16_t s2, Bool16 drift) {
    s.Kind = kind;
    s.Speed = vr::Add16(Whole(vr::Rnd() * double(range)), s2);
    s.X = vr::Add16(G.Enemies[e].X, 8);
    s.Y = vr::Add16(G.Enemies[e].Y, 20);
    s.Dir = 1;
    s.Drift = drift;
    PlayCue("fire2");
}

// Gives slot s the first pending request in table order and clears it.
void Spawn(ShotRecord& s, int16_t s2) {
    if (vr::IsTrue(G.FireLeft)) {
        G.FireLeft = kFalse;
        ShipShot(s, 1, G.ShotSpeed, G.PlayerX, kFalse, true);
    } else if (vr::IsTrue(G.FireRight)) {
        G.FireRight = kFalse;
        ShipShot(s, 2, s2, vr::Add16(G.PlayerX, 15), kFalse, true);
    } else if (vr::IsTrue(G.PowerLeft)) {
        G.PowerLeft = kFalse;
        ShipShot(s, 1, G.ShotSpeed, G.PlayerX, G.FirePowerOn, true);
    } else if (vr::IsTrue(G.PowerRight)) {
        G.PowerRight = kFalse;
        ShipShot(s, 2, s2, vr::Add16(G.PlayerX, 15), G.FirePowerOn, true);
    } else if (vr::IsTrue(G.AutoFireShot)) {
        G.AutoFireShot = kFalse;
        ShipShot(s, 5, s2, vr::Add16(G.PlayerX, 7), kFalse, false);  // keeps the slot's Drift
    } else if (vr::IsTrue(G.EnemyFire[0])) {
        G.EnemyFire[0] = kFalse;
        EnemyShot(s, 0, 3, 2, s2, kFalse);
    } else if (vr::IsTrue(G.EnemyFire[1])) {
        G.EnemyFire[1] = kFalse;
        EnemyShot(s, 1, 4, 3, s2, kFalse);
    } else if (vr::IsTrue(G.EnemyFire[2])) {
        G.EnemyFire[2] = kFalse;
        EnemyShot(s, 2, 5, 4, s2, kTrue);
    } else if (vr::IsTrue(G.RandomShot)) {
        G.RandomShot = kFalse;
        s.Kind = vr::Add16(3, Whole(vr::Rnd() * 2));
        s.Speed = vr::Add16(Whole(vr::Rnd() * 3), s2);
        s.X = vr::CInt(vr::Rnd() * double(FieldWidth - 5));
        s.Y = -3;
        s.Dir = 1;
        s.Drift = kTrue;
    }
}

const vr::PictureBox& ShotBox(int kind) {
    Form1Window& f = Form1();
    switch (kind) {
        case 1: return *f.PicBullet;
        case 2: return *f.BulletY;
        case 3: return *f.BulletR;
        case 4: return *f.BulletO;
        default: return *f.BulletBL;
    }
}

void EnemyHits(ShotRecord& s) {
    for (int j = 0; j < 3; ++j) {
        if (s.Dir >= 0) continue;
        EnemyRecord& e = G.Enemies[j];
        if (!(s.X < e.X + 20 && e.X < s.X + 7 && e.Y < s.Y + 7 && s.Y < e.Y + 20)) continue;
        e.HitPoints = vr::Sub16(e.HitPoints, 1);
        e.Y = vr::Sub16(e.Y, 3);
        if (e.HitPoints >= 1) {
            if (e.HitPoints == 1) {
                SetSmoke(int16_t(j + 1), kTrue);
                e.Speed = vr::Sub16(e.Speed, 1);
            }
        } else {
            e.Active = kFalse;
            int points = s.Kind == 1 ? 4 : s.Kind == 2 ? 3 : 2;
            G.Score = Saturate16(int64_t(G.Score) + points);
            G.ScoreFlash = kTrue;
            G.TimeBonus = vr::Add16(G.TimeBonus, 1);
            StartExplosion(float(e.X - 22), float(e.Y - 22));
            e.X = -100;
            e.Y = -100;
        }
        s.Speed = 0;
        StartSpark(float(s.X - 3), float(s.Y));
        G.Hits = Saturate16(int64_t(G.Hits) + 1);
        PlayCue("small_exp2");
    }
}

void ShipContact(ShotRecord& s) {
    if (s.Arming >= 1) {
        s.Arming = vr::Sub16(s.Arming, 1);
        return;
    }
    const int px = G.PlayerX, py = G.PlayerY;
    bool inRows = py + 15 < s.Y && s.Y < py + 20;
    if (px - 10 < s.X + 5 && s.X + 5 < px + 2 && inRows) PlayCue("bullet_wiz_l", false, 100, -100, 0);
    if (px + 18 < s.X && s.X < px + 30 && inRows) PlayCue("bullet_wiz_r", false, 100, 100, 0);
    if (s.X < px + 19 && px < s.X + 4 && py < s.Y + 7 && s.Y < py + 20) {
        if (vr::IsTrue(G.ShieldOn)) {
            if (s.Dir != -1) PlayCue("shield_boing");
            s.Dir = -1;
            s.Drift = kTrue;
        } else {
            G.Health = Saturate16(int64_t(G.Health) - 1);
            s.Speed = 0;
            StartSpark(float(s.X - 3), float(s.Y + 1));
            if (G.Health < 3) SetSmoke(0, kTrue);
            PlayCue("small_exp2");
        }
    }
}

}  // namespace

void UpdateShots() {
    if (AnyRequest()) {
        int16_t s2 = vr::CInt(G.ShotSpeed / 2.0);
        for (int i = 1; i <= 200; ++i) {
            if (G.Shots[i].Speed != 0) continue;
            Spawn(G.Shots[i], s2);
            if (!AnyRequest()) break;
        }
    }
    for (int i = 1; i <= 200; ++i) {
        ShotRecord& s = G.Shots[i];
        if (s.Speed <= 0) continue;
        EnemyHits(s);
        ShipContact(s);
        if (s.Speed < 1) continue;
        s.Y = s.Dir == -1 ? vr::Sub16(s.Y, s.Speed) : vr::Add16(s.Y, s.Speed);
        if (vr::IsTrue(s.Drift)) {
            if (s.Kind == 1) s.X = vr::Sub16(s.X, 3);
            else if (s.Kind == 2) s.X = vr::Add16(s.X, 2);
            else s.X = vr::Add16(s.X, Whole(vr::Rnd() * 3) - 1);
        }
        if (s.Y < -7 || s.Y > FieldHeight) s.Speed = 0;
        DrawMasked(ShotBox(s.Kind), 5, 5, 0, s.X, s.Y);
    }
}

void UpdatePlayer() {
    G.PlayerX = vr::Sub16(G.FieldMouseX, 10);
    G.PlayerY = vr::Sub16(G.FieldMouseY, 10);
    if (G.Health < 1) {
        LoadTop10();
        EndOfRun(G.Score);
    }
    DrawMasked(G.FirePowerTime >= 1 ? *Form1().PicPlayerF : *Form1().PicPlayer, 20, 20, 0, G.PlayerX, G.PlayerY);
    if (vr::IsTrue(G.ShieldOn)) DrawMasked(*Form1().PicShield, 30, 14, 0, G.PlayerX - 5, G.PlayerY - 5);
}

}  // namespace game
