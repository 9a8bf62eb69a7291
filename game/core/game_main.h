// The game's run-time: start-up, then one pass of the frame loop after another.
#pragma once

namespace game {

// Starts the engine, registers the cues, resets and runs the frame loop; never returns.
[[noreturn]] void GameMain();
// The start-up steps of GameMain.
void StartUp();
// One pass of the frame loop: clear, draw the menu or a run frame, the
// one-second tick, LimitFPS 26 and one pump of the window's events. A held
// run (core/pause.h) only waits for the frame's time and pumps the events.
void FrameLoopPass();
// The parts of a pass, for tests.
void DrawRunFrame();
void DrawMenuScreen();
void DrawHeadUpTexts();

// Called once per frame loop pass, before it (the automated pilot's hook).
using FrameHook = void (*)();
void SetFrameHook(FrameHook hook);
FrameHook GetFrameHook();

}  // namespace game
