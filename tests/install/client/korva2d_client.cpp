// A client of the installed engine library, built outside the project's tree:
// creates Engine by class identity, starts it for sound only in FOLDER, and
// prints the library's version and the library the class was created from.
//   korva2d_client FOLDER
#include <cstdio>

#include "korva2d/korva2d_calls.h"
#include "platform/runtime_error.h"

using namespace korva2d;
using namespace korva2d::calls;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korva2d_client FOLDER\n");
        return 2;
    }
    try {
        auto engine = Create<_Engine>(CLSID_Engine, IID__Engine);
        if (!Korva2D_Start_OnlySound(*engine, 0, argv[1])) {
            std::fprintf(stderr, "korva2d_client: the sound-only start failed (see %s/log.txt)\n", argv[1]);
            return 1;
        }
        std::printf("%s\n", Version(*engine).ToText().c_str());
        std::printf("created from %s\n", vr::com::FindServerPath(CLSID_Engine).c_str());
        Korva2D_Unload(*engine);
    } catch (const vr::RuntimeError& e) {
        std::fprintf(stderr, "korva2d_client: run-time error %d: %s\n", e.number(), e.description().c_str());
        return 1;
    }
    return 0;
}
