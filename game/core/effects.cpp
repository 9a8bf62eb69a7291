#include "core/effects.h"

#include "core/game_state.h"
#include "core/sound_cues.h"
#include "core/sprite_copy.h"

namespace game {

namespace {
int Rounded(float v) { return vr::CLng(v); }
}  // namespace

void StartExplosion(float x, float y) {
    for (int i = 1; i <= 10; ++i) {
        BlastRecord& b = G.Explosions[i];
        if (b.Frame != 0) continue;
        b.X = x;
        b.Y = y;
        b.Frame = 26;
        PlayCue("small_exp");
        return;
    }
}

void StartSpark(float x, float y) {
    for (int i = 1; i <= 20; ++i) {
        BlastRecord& b = G.Sparks[i];
        if (b.Frame != 0) continue;
        b.X = x;
        b.Y = y;
        b.Frame = 12;
        return;
    }
}

void DrawExplosions() {
    for (int i = 1; i <= 10; ++i) {
        BlastRecord& b = G.Explosions[i];
        if (b.Frame <= 0) continue;
        DrawMasked(*Form1().PicExp, 64, 64, (26 - b.Frame) * 64, Rounded(b.X), Rounded(b.Y));
        --b.Frame;
    }
}

void DrawSparks() {
    for (int i = 1; i <= 20; ++i) {
        BlastRecord& b = G.Sparks[i];
        if (b.Frame <= 0) continue;
        DrawMasked(*Form1().PicExp2, 10, 10, (12 - b.Frame) * 10, Rounded(b.X), Rounded(b.Y));
        --b.Frame;
    }
}

void SetSmoke(int16_t index, int16_t on) {
    SmokeRecord& s = G.Smokes[index];
    s.On = on;
    if (vr::IsTrue(on)) {
        if (s.Frame == 0) s.Frame = 8;
    } else {
        s.On = kFalse;
        s.Frame = 0;
    }
}

void DrawSmoke() {
    for (int a = 0; a <= 3; ++a) {
        SmokeRecord& s = G.Smokes[a];
        if (!vr::IsTrue(s.On)) continue;
        if (s.Frame == 8) {
            if (a >= 1) {
                const EnemyRecord& e = G.Enemies[a - 1];
                if (!vr::IsTrue(e.Active)) SetSmoke(int16_t(a), kFalse);
                s.X = e.X;
                s.Y = e.Y;
            } else {
                if (G.Health > 2) SetSmoke(0, kFalse);
                s.X = G.PlayerX;
                s.Y = G.PlayerY;
            }
        }
        // Frame 0 asks for a ninth column past the sheet; the clipped copy draws nothing there.
        DrawMasked(*Form1().PicSmoke, 20, 20, (8 - s.Frame) * 20, Rounded(s.X), Rounded(s.Y));
        --s.Frame;
        if (s.Frame < 0) s.Frame = 8;
    }
}

}  // namespace game
