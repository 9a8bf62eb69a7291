// The sound-only start with the frame limiter, as the game uses the library:
// a chime over a tune for three seconds at 26 frames per second.
#include <cstdio>

#include "korva2d/korva2d_calls.h"
#include "platform/kernel.h"
using namespace korva2d;
using namespace korva2d::calls;

int main(int argc, char** argv) {
    std::string assets = argc > 1 ? argv[1] : vr::ProgramFolder() + "/korva2d-samples";
    auto engine = Create<_Engine>(CLSID_Engine, IID__Engine);
    auto extra = Create<_Extra>(CLSID_Extra, IID__Extra);
    auto music = Create<_MP3Player>(CLSID_MP3Player, IID__MP3Player);
    if (!Korva2D_Start_OnlySound(*engine, 0, assets)) return 1;  // no window: hWnd 0
    CreateSound(*engine, "chime", "chime.wav");
    SoundPlay(*engine, "chime", 0, 80, -50);  // 80 % volume, half to the left
    if (LoadMP3(*music, "tune.ogg")) PlayMP3(*music);
    for (int frame = 0; frame < 78; ++frame) LimitFPS(*extra, 26);
    std::printf("%d frames in the last second, music at %d s of %d s\n", GetFps(*extra).ToInt32(),
                GetCurrentPosition(*music), GetDuration(*music));
    Korva2D_Unload(*engine);
}
