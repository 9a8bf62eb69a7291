// The four bonus capsules: shield, health, fire power and auto-fire.
#pragma once

namespace game {
void UpdateBonusF();   // fire power
void UpdateBonusF2();  // auto-fire
void UpdateBonusH();   // health
void UpdateBonusA();   // shield
}  // namespace game
