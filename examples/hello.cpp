// Opens a window, starts the engine, draws a sprite and a text, plays a sound
// and quits on Escape (or when the window closes). A failure says why on
// standard error and ends with status 1.
#include <cstdio>

#include "korva2d/keys.h"
#include "korva2d/korva2d_calls.h"
#include "platform/form.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/runtime_error.h"
using namespace korva2d;
using namespace korva2d::calls;

int main(int argc, char** argv) try {
    std::string assets = argc > 1 ? argv[1] : vr::ProgramFolder() + "/korva2d-samples";
    // The engine writes log.txt there: without the folder it cannot start.
    if (!vr::IsDirectory(assets)) throw vr::RuntimeError(76, "no assets folder " + assets);
    vr::Form window("Hello, Korva2D", 640, 480, vr::RGB(0, 0, 0));
    auto engine = Create<_Engine>(CLSID_Engine, IID__Engine);
    if (!Korva2D_Start(*engine, window.hWnd(), assets, 640, 480))
        throw vr::RuntimeError(5, "the engine did not start (the line above says why)");
    CreateTexture(*engine, "ship", "ship.png");
    CreateTexture(*engine, "font", "font.png");
    CreateSound(*engine, "chime", "chime.wav");
    SoundPlay(*engine, "chime");
    for (float angle = 0; window.Shown() && !GetKeyState(*engine, DIK_ESCAPE); angle += 2) {
        ClearScreen(*engine, 10, 10, 40);
        Draw(*engine, "ship", 288, 208, 64, 64, angle);
        DrawText(*engine, "font", "HELLO, KORVA2D!", 155, 60);
        RenderAll(*engine);
        vr::DoEvents();
        vr::Sleep(16);
    }
    Korva2D_Unload(*engine);
    return 0;
} catch (const vr::RuntimeError& e) {
    std::fprintf(stderr, "korva2d-hello: %s\n", e.description().c_str());
    return 1;
}
