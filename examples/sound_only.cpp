// The sound-only start with the frame limiter, as the game uses the library:
// a chime over a tune for three seconds at 26 frames per second. A failure
// says why on standard error and ends with status 1.
#include <cstdio>

#include "korva2d/korva2d_calls.h"
#include "platform/kernel.h"
#include "platform/runtime_error.h"
using namespace korva2d;
using namespace korva2d::calls;

int main(int argc, char** argv) try {
    std::string assets = argc > 1 ? argv[1] : vr::ProgramFolder() + "/korva2d-samples";
    if (!vr::IsDirectory(assets)) throw vr::RuntimeError(76, "no assets folder " + assets);
    auto engine = Create<_Engine>(CLSID_Engine, IID__Engine);
    auto extra = Create<_Extra>(CLSID_Extra, IID__Extra);
    auto music = Create<_MP3Player>(CLSID_MP3Player, IID__MP3Player);
    if (!Korva2D_Start_OnlySound(*engine, 0, assets))  // no window: hWnd 0
        throw vr::RuntimeError(5, "the engine did not start (the line above says why)");
    CreateSound(*engine, "chime", "chime.wav");
    SoundPlay(*engine, "chime", 0, 80, -50);  // 80 % volume, half to the left
    if (LoadMP3(*music, "tune.ogg")) PlayMP3(*music);
    for (int frame = 0; frame < 78; ++frame) LimitFPS(*extra, 26);
    std::printf("%d frames in the last second, music at %d s of %d s\n", GetFps(*extra).ToInt32(),
                GetCurrentPosition(*music), GetDuration(*music));
    Korva2D_Unload(*engine);
    return 0;
} catch (const vr::RuntimeError& e) {
    std::fprintf(stderr, "korva2d-sound_only: %s\n", e.description().c_str());
    return 1;
}
