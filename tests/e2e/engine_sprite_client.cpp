// A client of the engine in a window of its own: started full through class
// creation, it draws one sprite of each kind for a number of frames, saves a
// screenshot with the engine and exits. The test script checks the screen.
// "full" starts a 200 x 150 form in full screen at the 800 x 600 back buffer's size.
//   engine_sprite_client FOLDER [FRAMES [full]]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "korva2d/korva2d_calls.h"
#include "platform/form.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/runtime_error.h"

using namespace korva2d;
using namespace korva2d::calls;

namespace {
// 32 x 32 in four quadrants: red, green / blue, yellow; a magenta dot in the middle.
void WriteQuadrants(const std::string& path) {
    vr::Surface s(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            s.At(x, y) = y < 16 ? (x < 16 ? vr::PixelRGB(255, 0, 0) : vr::PixelRGB(0, 255, 0))
                                : (x < 16 ? vr::PixelRGB(0, 0, 255) : vr::PixelRGB(255, 255, 0));
    for (int y = 12; y < 20; ++y)
        for (int x = 12; x < 20; ++x) s.At(x, y) = vr::PixelRGB(255, 0, 255);
    vr::SaveSurface(s, path);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: engine_sprite_client FOLDER [FRAMES [full]]\n");
        return 2;
    }
    std::string folder = argv[1];
    int frames = argc > 2 ? std::atoi(argv[2]) : 60;
    VBool fullScreen = argc > 3 && std::string(argv[3]) == "full" ? -1 : 0;
    try {
        WriteQuadrants(folder + "/quad.png");
        // In full screen a small form, as a window that a device takes over.
        vr::Form form("Korva2D sprites", fullScreen ? 200 : 800, fullScreen ? 150 : 600, vr::RGB(0, 0, 0));
        form.onUnload = [](int&) { vr::EndProgram(0); };
        auto engine = Create<_Engine>(CLSID_Engine, IID__Engine);
        if (!Korva2D_Start(*engine, form.hWnd(), folder, 800, 600, fullScreen)) {
            std::fprintf(stderr, "engine_sprite_client: the engine did not start (see %s/log.txt)\n", folder.c_str());
            return 1;
        }
        CreateTexture(*engine, "quad", "quad.png");
        TextureObject keyed = nullptr;
        CreateTextureEx(*engine, keyed, "quad.png", int32_t(0xFFFF00FF));
        for (int i = 0; i < frames; ++i) {
            ClearScreen(*engine, 40, 40, 40);
            Draw(*engine, "quad", 50, 50, 32, 32);                         // plain
            Draw(*engine, "quad", 150, 50, 32, 32, 90);                    // a quarter turn counter-clockwise
            Draw(*engine, "quad", 250, 50, 32, 32, 0, 100, 0, 0, 64, 64);  // twice the size
            Draw(*engine, "QUAD", 400, 50, 16, 32, 0, 100, 16, 0);         // the right half only
            Draw(*engine, "quad", 500, 50, 32, 32, 0, 50);                 // half transparent
            AmbientColor(*engine, int16_t(0), int16_t(0), int16_t(0));
            Draw(*engine, "quad", 600, 50, 32, 32);  // black
            AmbientColor(*engine);
            DrawEx(*engine, keyed, 50, 150, 32, 32);  // magenta keyed out
            RenderAll(*engine);
            vr::DoEvents();
            vr::Sleep(15);
        }
        SaveScreenshot(*engine);
        if (keyed) keyed->Release();
        Korva2D_Unload(*engine);
    } catch (const vr::RuntimeError& e) {
        std::fprintf(stderr, "engine_sprite_client: run-time error %d: %s\n", e.number(), e.description().c_str());
        return 1;
    }
    return 0;
}
