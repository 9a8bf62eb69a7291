// Sprites through the engine against SDL by itself. Each frame draws 2 000
// sprites of 32 x 32, each rotated, tinted and translucent: once through
// Draw by key (the interface call, the key search and the vertex work
// included), once by raw SDL_RenderCopyExF into a back buffer of the same
// size, on the software and on the OpenGL renderer. Prints sprites per second
// for both and their ratio (target: the library reaches 0.9 of raw SDL).
//   sprite_bench [--seconds S]   (headless: SDL's offscreen video driver)
#include <SDL.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "korva2d/korva2d_calls.h"
#include "platform/form.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "window/native.h"

using namespace korva2d;
using namespace korva2d::calls;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kSprites = 2000, kWidth = 800, kHeight = 600;

struct SpriteValues {
    float x, y, angle;
    int16_t alpha;
};

std::vector<SpriteValues> Layout() {
    std::vector<SpriteValues> v;
    uint32_t seed = 12345;
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int i = 0; i < kSprites; ++i)
        v.push_back({float(next() % (kWidth - 32)), float(next() % (kHeight - 32)), float(next() % 360),
                     int16_t(30 + next() % 70)});
    return v;
}

// Frames drawn within `seconds` by `frame`; answers sprites per second.
template <class F>
double Measure(double seconds, F&& frame) {
    frame();  // warm up
    auto start = Clock::now();
    int frames = 0;
    double elapsed = 0;
    do {
        frame();
        ++frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds);
    return frames * double(kSprites) / elapsed;
}

void RunOn(const char* renderer, double seconds, const std::string& folder) {
    setenv("SDL_RENDER_DRIVER", renderer, 1);
    vr::Form form("sprite_bench", kWidth, kHeight, vr::RGB(0, 0, 0));
    auto engine = Create<_Engine>(CLSID_Engine, IID__Engine);
    if (!Korva2D_Start(*engine, form.hWnd(), folder, kWidth, kHeight)) {
        std::printf("%-9s the engine did not start (see %s/log.txt)\n", renderer, folder.c_str());
        return;
    }
    SDL_Renderer* r = vr::NativeRenderer(form);
    const std::string name = form.GetDrawing()->RendererName();
    if (name != renderer) {
        std::printf("%-9s not available here (got %s)\n", renderer, name.c_str());
        Korva2D_Unload(*engine);
        return;
    }
    CreateTexture(*engine, "ship", "ship.png");
    AmbientColor(*engine, int16_t(255), int16_t(200), int16_t(150));
    const auto sprites = Layout();
    Text key = "Ship";
    float w = 32, h = 32, zero = 0;
    auto library = [&] {
        ClearScreen(*engine, 10, 10, 30);
        for (const auto& s : sprites) {
            float x = s.x, y = s.y, angle = s.angle;
            int16_t alpha = s.alpha;
            engine->Draw(key, x, y, w, h, angle, alpha, zero, zero, zero, zero);
        }
        RenderAll(*engine);
    };

    SDL_Surface* pic = SDL_LoadBMP((folder + "/ship.bmp").c_str());
    SDL_Texture* tex = SDL_CreateTextureFromSurface(r, pic);
    SDL_FreeSurface(pic);
    SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(tex, SDL_ScaleModeNearest);
    SDL_Texture* back = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, kWidth, kHeight);
    auto raw = [&] {
        SDL_SetRenderTarget(r, back);
        SDL_SetRenderDrawColor(r, 10, 10, 30, 255);
        SDL_RenderClear(r);
        SDL_FPoint centre{16, 16};
        for (const auto& s : sprites) {
            SDL_SetTextureColorMod(tex, 255, 200, 150);
            SDL_SetTextureAlphaMod(tex, Uint8(std::lround(2.55 * s.alpha)));
            SDL_FRect dst{s.x, s.y, 32, 32};
            SDL_RenderCopyExF(r, tex, nullptr, &dst, -s.angle, &centre, SDL_FLIP_NONE);
        }
        SDL_SetRenderTarget(r, nullptr);
        SDL_RenderCopy(r, back, nullptr, nullptr);
        SDL_RenderPresent(r);
    };
    // Alternate the two so that both see the same machine.
    double lib = 0, sdl = 0;
    for (int round = 0; round < 3; ++round) {
        lib += Measure(seconds / 6, library);
        sdl += Measure(seconds / 6, raw);
    }
    lib /= 3;
    sdl /= 3;
    std::printf("%-9s library %9.0f sprites/s   raw SDL %9.0f sprites/s   ratio %.2f (target >= 0.90)\n", renderer,
                lib, sdl, lib / sdl);
    SDL_DestroyTexture(back);
    SDL_DestroyTexture(tex);
    Korva2D_Unload(*engine);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 6;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) seconds = std::atof(argv[++i]);
        else {
            std::fprintf(stderr, "usage: sprite_bench [--seconds S]\n");
            return 2;
        }
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::string folder = (std::filesystem::temp_directory_path() / "korva2d-sprite-bench").string();
    std::filesystem::create_directories(folder);
    // A ship-like sprite with soft edges, as a PNG for the engine and a BMP for raw SDL.
    vr::Surface ship(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ship.At(x, y) = vr::PixelRGB(8 * x, 255 - 8 * y, 128);
    vr::SaveSurface(ship, folder + "/ship.png");
    vr::SaveSurface(ship, folder + "/ship.bmp");
    std::printf("sprite_bench: %d sprites of 32 x 32 per frame, rotated, tinted, translucent, into %d x %d\n", kSprites,
                kWidth, kHeight);
    for (const char* renderer : {"software", "opengl"}) RunOn(renderer, seconds, folder);
    return 0;
}
