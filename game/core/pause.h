// Holding a run: P (or the Pause key) and the window losing its focus stop a
// run where it stands; P takes it up again exactly there. The menu has no pause.
#pragma once

namespace game {

// True while a run is held.
bool RunPaused();
// Holds the run in play (nothing on the menu or when already held): the field
// keeps its last frame with "PAUSED" over it, the pointer is let go, the
// sound stands still and the run's clock stops.
void PauseRun();
// Takes the held run up again: the clock goes on from where it stopped (the
// pause does not count), the pointer is back over the ship and clipped to the
// field, the sound goes on.
void ResumeRun();
void TogglePause();

}  // namespace game
