// The three enemies, the random shots, the backdrop and the one-second tick.
#pragma once

namespace game {
void UpdateBackdrop();
void UpdateEnemies();
void SecondTick();
}  // namespace game
