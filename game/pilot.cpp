#include "pilot.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/game_main.h"
#include "core/game_state.h"
#include "platform/form.h"
#include "platform/message_loop.h"
#include "platform/user_types.h"
#include "platform_testing/synthetic_input.h"
#include "window/form1.h"

namespace game {

namespace {

PilotOptions g_options;
int g_frame = 0;
int g_runFrame = 0;
int g_runsDone = 0;
int g_menuFrames = 0;
bool g_wasPlaying = false;
bool g_afterRun = false;  // on the menu after a run, before the next one is started
bool g_savedEarth = false;
int g_bestBusy = -1;
vr::Surface g_busiest;

void Save(const vr::Surface& s, const char* name) {
    if (g_options.shotsFolder.empty()) return;
    std::string path = g_options.shotsFolder + "/" + name;
    if (!vr::SaveSurface(s, path)) std::fprintf(stderr, "pilot: cannot write %s\n", path.c_str());
    else std::fprintf(stderr, "pilot: saved %s\n", path.c_str());
}

// How much is going on in the field: capsules, explosions, live shots, enemies.
int Busyness() {
    int capsules = vr::IsTrue(G.BonusA.Active) + vr::IsTrue(G.BonusH.Active) + vr::IsTrue(G.BonusF.Active) +
                   vr::IsTrue(G.BonusF2.Active);
    int blasts = 0, shots = 0, enemies = 0;
    for (int i = 1; i <= 10; ++i) blasts += G.Explosions[i].Frame > 0;
    for (int i = 1; i <= 200; ++i) shots += G.Shots[i].Speed > 0 && G.Shots[i].Y > 0 && G.Shots[i].Y < 500;
    for (const auto& e : G.Enemies) enemies += vr::IsTrue(e.Active) && e.Y > 0 && e.Y < 480;
    if (!capsules || !blasts || shots < 3 || !enemies) return capsules * 10 + blasts * 5 + std::min(shots, 10) + enemies;
    return 1000 + capsules * 10 + blasts * 5 + std::min(shots, 20) + enemies;
}

// Client coordinates of a field position (the field sits at 80, 0 inside a one-pixel border).
void MoveTo(vr::Form& f, int fx, int fy) { vr::PostMouseMove(f, 81 + fx, 1 + fy); }

// The click is handled at once, while the run it fires in is still on: left
// for the frame's end, a click in the frame that ends a run would start the next.
void Click(vr::Form& f, int button, int fx, int fy) {
    vr::PostMouseButton(f, button, true, 81 + fx, 1 + fy);
    vr::PostMouseButton(f, button, false, 81 + fx, 1 + fy);
    vr::DoEvents();
}

void Hook() {
    ++g_frame;
    vr::Form& f = *Form1().form;
    bool playing = vr::IsTrue(G.Playing);
    if (playing) {
        ++g_runFrame;
        g_wasPlaying = true;
        g_menuFrames = 0;
        // Weave along the bottom and fire with both buttons.
        int x = 150 + int(120 * std::sin(g_runFrame / 23.0));
        int y = 440 + int(25 * std::sin(g_runFrame / 37.0));
        MoveTo(f, x, y);
        if (g_runFrame % 4 == 0) Click(f, vr::kLeftButton, x, y);
        if (g_runFrame % 9 == 0) Click(f, vr::kRightButton, x, y);
        if (g_runFrame == 40 && !g_savedEarth) {
            Save(f.Compose(), "pilot-earth-intro.png");
            g_savedEarth = true;
        }
        // The busiest frame after the Earth intro; a run over within the intro
        // keeps its busiest intro frame (Busyness stays below 2000).
        int busy = Busyness() + (g_runFrame > 170 ? 2000 : 0);
        if (busy > g_bestBusy) {
            g_bestBusy = busy;
            g_busiest = f.Compose();
        }
        return;
    }
    if (g_wasPlaying) {
        // A run has ended: keep the menu up for a moment, then go on.
        ++g_runsDone;
        g_wasPlaying = false;
        g_afterRun = true;
        g_menuFrames = 0;
        g_runFrame = 0;
    }
    ++g_menuFrames;
    if (g_afterRun) {
        if (g_menuFrames == 5) MoveTo(f, 150, 300);
        if (g_menuFrames == 20) {
            Save(g_busiest, "pilot-mid-run.png");
            Save(f.Compose(), "pilot-menu-after-run.png");
            g_afterRun = false;
            g_menuFrames = 0;  // the next run starts from the menu as the first one did
            g_bestBusy = -1;
            if (g_runsDone >= g_options.runs) {
                std::fprintf(stderr, "pilot: %d run(s) played, leaving\n", g_runsDone);
                vr::PostKey(f, 27, true);
            }
        }
        return;
    }
    if (g_menuFrames == g_options.startFrame - 5) MoveTo(f, 150, 250);
    if (g_menuFrames == g_options.startFrame) Click(f, vr::kLeftButton, 150, 250);
}

}  // namespace

bool ParsePilotCount(const std::string& text, int low, int high, int& out) {
    int v = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, v);
    if (text.empty() || error != std::errc() || at != end || v < low || v > high) return false;
    out = v;
    return true;
}

void StartPilot(const PilotOptions& options) {
    g_options = options;
    SetFrameHook(&Hook);
}

}  // namespace game
