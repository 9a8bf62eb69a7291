// One run frame of the real game on a busy field (3 enemies, 60 live shots,
// 5 explosions, 10 sparks, 4 smoke puffs, 4 capsules): clearing the field,
// every update and draw of the run frame, the one-second tick and the
// window's repaint (offscreen window, the form's own renderer), beside one
// copy of the 468 x 502 frame (the floor) timed in the same loop. The field
// is put back to the same busy state before every frame, outside the timing.
// Prints the median and 99th percentile in microseconds and the heap
// allocations per frame. Target: the median frame under 10 times the floor.
// Without SDL_RENDER_DRIVER it measures the renderer the window picks, then
// runs again on the software renderer (which a machine without a graphics
// card is better served by: its OpenGL is a CPU pretending to be one).
//   run_frame_bench [--frames N] [--scale N]
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "core/enemies.h"
#include "core/game_main.h"
#include "core/game_state.h"
#include "core/new_run.h"
#include "platform/drawing.h"
#include "platform/form.h"
#include "platform/random.h"
#include "window/form1.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

// Every C++ allocation of the process is counted.
void* operator new(std::size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;
using namespace game;

double Us(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::micro>(b - a).count(); }

struct Figures {
    std::vector<double> us;
    double Median() { return At(50); }
    double At(int percent) {
        std::sort(us.begin(), us.end());
        return us[std::min(us.size() - 1, us.size() * size_t(percent) / 100)];
    }
};

// A run in full swing: walls in place, everything on the list moving on the field.
void MakeBusyField() {
    G.Playing = kTrue;
    NewRun();
    G.EarthFrames = 0;
    G.WallSlide = 0;
    G.Health = 1000;  // no end of run in the middle of the measurement
    G.PlayerX = 140;
    G.PlayerY = 435;
    G.FieldMouseX = 150;
    G.FieldMouseY = 445;
    for (int i = 0; i < 3; ++i)
        G.Enemies[i] = EnemyRecord{kTrue, int16_t(40 + 100 * i), int16_t(60 + 50 * i), 2, int16_t(i - 1), 30};
    for (int i = 1; i <= 60; ++i) {
        bool up = i % 3 == 0;  // a third from the ship, the rest falling
        G.Shots[i] = ShotRecord{int16_t(20 + (i * 37) % 260), int16_t(30 + (i * 53) % 380), int16_t(3 + i % 5),
                                int16_t(up ? 1 + i % 2 : 3 + i % 3), int16_t(up ? -1 : 1), 0, vr::ToBool16(i % 7 == 0)};
    }
    for (int i = 1; i <= 5; ++i) G.Explosions[i] = BlastRecord{float(30 + 50 * i), float(80 + 40 * i), int16_t(5 + 4 * i)};
    for (int i = 1; i <= 10; ++i) G.Sparks[i] = BlastRecord{float(25 * i), float(150 + 10 * i), int16_t(2 + i % 10)};
    for (int i = 0; i < 4; ++i) G.Smokes[i] = SmokeRecord{kTrue, float(60 + 60 * i), float(300 - 40 * i), int16_t(i * 2)};
    G.BonusA = BonusCapsule{kTrue, 50, 100};
    G.BonusH = BonusCapsule{kTrue, 110, 180};
    G.BonusF = BonusCapsule{kTrue, 200, 60};
    G.BonusF2 = BonusCapsule{kTrue, 250, 240};
}

}  // namespace

int main(int argc, char** argv) {
    int frames = 3000, scale = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--frames")) frames = std::max(100, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--scale")) scale = std::clamp(std::atoi(argv[i + 1]), 1, 6);
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // The bench's own top-ten table and settings, not the user's.
    std::string home = (std::filesystem::current_path() / "run-frame-bench").string();
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    ProgramFolder = VR_BIN_DIR;
    CreateForm1(ProgramFolder + "/art");
    vr::Form& form = *Form1().form;
    form.SetScale(scale);
    form.Show();
    StartUp();
    MakeBusyField();
    const GameState busy = G;
    std::string renderer = form.GetDrawing()->RendererName();
    // Which OpenGL: a graphics card's, or a CPU's (llvmpipe).
    using GetString = const unsigned char* (*)(unsigned);
    if (renderer.rfind("opengl", 0) == 0)
        if (auto glGetString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString")))
            if (const unsigned char* gl = glGetString(0x1F01))  // GL_RENDERER
                renderer += std::string(" (") + reinterpret_cast<const char*>(gl) + ")";

    std::vector<uint32_t> frameA(468 * 502, 0x00262082), frameB(468 * 502);
    Figures frame, update, repaint, floor;
    long updateAllocs = 0, repaintAllocs = 0;
    for (int f = -50; f < frames; ++f) {  // 50 frames to warm up
        G = busy;
        auto t0 = Clock::now();
        long a0 = g_allocations.load();
        Field().Cls();
        DrawRunFrame();
        SecondTick();
        long a1 = g_allocations.load();
        auto t1 = Clock::now();
        form.Repaint();
        auto t2 = Clock::now();
        long a2 = g_allocations.load();
        std::memcpy(frameB.data(), frameA.data(), frameA.size() * sizeof(uint32_t));
        auto t3 = Clock::now();
        frameA[size_t(f + 50) % frameA.size()] ^= frameB[0];  // keep the copy from being optimised away
        if (f < 0) continue;
        update.us.push_back(Us(t0, t1));
        repaint.us.push_back(Us(t1, t2));
        frame.us.push_back(Us(t0, t2));
        floor.us.push_back(Us(t2, t3));
        updateAllocs += a1 - a0;
        repaintAllocs += a2 - a1;
    }
    double ratio = frame.Median() / floor.Median();
    std::printf("run_frame: %d frames of a busy run (3 enemies, 60 shots, 5 explosions, 10 sparks, 4 smoke puffs, "
                "4 capsules), window at scale %d on the %s renderer\n",
                frames, scale, renderer.c_str());
    std::printf("  frame (update, draw and repaint): median %7.1f us, p99 %7.1f us\n", frame.Median(), frame.At(99));
    std::printf("    update and draw:                median %7.1f us, p99 %7.1f us, %.1f heap allocations (texts)\n",
                update.Median(), update.At(99), double(updateAllocs) / frames);
    std::printf("    repaint:                        median %7.1f us, p99 %7.1f us, %.1f heap allocations\n",
                repaint.Median(), repaint.At(99), double(repaintAllocs) / frames);
    std::printf("  floor (one copy of the 468 x 502 frame): median %.1f us, p99 %.1f us\n", floor.Median(), floor.At(99));
    std::printf("  median frame = %.1f x the floor (target: under 10)\n", ratio);
    std::fflush(stdout);
    if (!std::getenv("SDL_RENDER_DRIVER") && renderer != "software") {
        setenv("SDL_RENDER_DRIVER", "software", 1);
        execv("/proc/self/exe", argv);
    }
    std::_Exit(0);  // the game's objects live until the process ends, as in the game
}
