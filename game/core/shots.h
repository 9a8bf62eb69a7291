// The ship and the one pool of shots of both sides.
#pragma once

namespace game {
// Turns pending fire requests into shots, then collides, moves and draws every live shot.
void UpdateShots();
// Moves the ship to the pointer, ends the run when health is gone, draws the ship.
void UpdatePlayer();
}  // namespace game
