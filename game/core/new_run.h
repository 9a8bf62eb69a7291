#pragma once

namespace game {
// Puts the run state into the state of a fresh run (Playing is left alone).
void NewRun();
// Confines the pointer to the field's drawing area less its bottom 3 pixels, as a run has it.
void ClipPointerToField();
}  // namespace game
