#pragma once

namespace game {
// Puts the run state into the state of a fresh run (Playing is left alone).
void NewRun();
}  // namespace game
