// Explosions, hit sparks and smoke puffs: fixed tables of slots animated from sprite sheets.
#pragma once
#include <cstdint>

namespace game {
void StartExplosion(float x, float y);
void StartSpark(float x, float y);
void SetSmoke(int16_t index, int16_t on);
void DrawExplosions();
void DrawSparks();
void DrawSmoke();
}  // namespace game
