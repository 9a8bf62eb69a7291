// A client of the engine reading input: started full in its own window, it
// prints every change of the keys held and of the mouse values, frame by
// frame, and ends when Escape is down (or after a number of seconds).
//   engine_input_client FOLDER [SECONDS]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "korva2d/korva2d_calls.h"
#include "platform/form.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/runtime_error.h"

using namespace korva2d;
using namespace korva2d::calls;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: engine_input_client FOLDER [SECONDS]\n");
        return 2;
    }
    int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    try {
        vr::Form form("Korva2D input", 320, 240, vr::RGB(0, 0, 0));
        auto engine = Create<_Engine>(CLSID_Engine, IID__Engine);
        if (!Korva2D_Start(*engine, form.hWnd(), argv[1], 320, 240)) return 1;
        std::string lastKeys, lastMouse;
        int32_t start = vr::GetTickCount();
        for (;;) {
            ClearScreen(*engine, 0, 0, 64);
            RenderAll(*engine);
            vr::DoEvents();
            std::string keys;
            for (int32_t k = 0; k < 256; ++k) {
                VBool down = 0;
                Check(engine->GetKeyState(k, &down));
                if (down) keys += " " + std::to_string(k);
            }
            int32_t x = 0, y = 0, wheel = 0;
            VBool b1 = 0, b2 = 0, b3 = 0, r = 0;
            Check(engine->GetMouseState(x, y, b1, b2, b3, wheel, &r));
            std::string mouse = std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(-b1) + " " +
                                std::to_string(-b2) + " " + std::to_string(-b3) + " " + std::to_string(wheel);
            if (keys != lastKeys) std::printf("keys%s\n", keys.c_str());
            if (mouse != lastMouse) std::printf("mouse %s\n", mouse.c_str());
            std::fflush(stdout);
            lastKeys = keys;
            lastMouse = mouse;
            if ((" " + keys + " ").find(" 1 ") != std::string::npos) break;  // Escape
            if (vr::GetTickCount() - start > seconds * 1000) return 3;
            vr::Sleep(10);
        }
        Korva2D_Unload(*engine);
    } catch (const vr::RuntimeError& e) {
        std::fprintf(stderr, "engine_input_client: run-time error %d: %s\n", e.number(), e.description().c_str());
        return 1;
    }
    return 0;
}
