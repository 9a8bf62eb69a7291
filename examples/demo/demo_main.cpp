// korva2d-demo: the Korva2D library at work in one window.
//   korva2d-demo [--folder DIR] [--frames N]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "demo.h"
#include "platform/form.h"
#include "platform/kernel.h"
#include "platform/runtime_error.h"

using namespace demo;
using namespace korva2d::calls;

namespace {

void Usage(FILE* out) {
    std::fprintf(out,
                 "Usage: korva2d-demo [options]\n"
                 "Shows the Korva2D engine at work: sprites, the bitmap font, system fonts, input, sound\n"
                 "effects and music. Keys 1 2 3 play sounds, M starts or stops the music, + and - set its\n"
                 "volume, C centres the pointer, F12 saves a screenshot, Escape quits.\n"
                 "\n"
                 "Options:\n"
                 "  --folder DIR   the folder of the sample assets, where log.txt, font.ini, demo.ini and\n"
                 "                 screenshots are written too (default: korva2d-samples beside the program)\n"
                 "  --frames N     draw N frames, save a screenshot and exit (for tests)\n"
                 "  --help         show this text\n");
}

Input ReadInput(_Engine& e, const Input& last) {
    Input in;
    in.previous = last.keys;
    for (int32_t k = 1; k < 256; ++k)
        if (GetKeyState(e, k)) in.keys.push_back(k);
    in.mouse = GetMouseState(e);
    return in;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = vr::ProgramFolder() + "/korva2d-samples";
    int frames = -1;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (a == "--folder" && i + 1 < argc) {
            folder = argv[++i];
        } else if (a == "--frames" && i + 1 < argc) {
            frames = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "korva2d-demo: unknown option %s (try --help)\n", a.c_str());
            return 2;
        }
    }
    if (!vr::PathFileExistsA(folder + "/ship.png")) {
        std::fprintf(stderr, "korva2d-demo: the sample assets are not in %s (give their folder with --folder)\n",
                     folder.c_str());
        return 1;
    }
    try {
        vr::Form window("Korva2D demo", 800, 600, vr::RGB(0, 0, 0));
        bool closed = false;
        window.onUnload = [&](int&) { closed = true; };
        Objects o;
        o.engine = Create<_Engine>(CLSID_Engine, IID__Engine);
        o.extra = Create<_Extra>(CLSID_Extra, IID__Extra);
        o.music = Create<_MP3Player>(CLSID_MP3Player, IID__MP3Player);
        if (!Korva2D_Start(*o.engine, window.hWnd(), folder)) {
            std::fprintf(stderr, "korva2d-demo: the engine did not start; see %s/log.txt\n", folder.c_str());
            return 1;
        }
        State s;
        SaveLog(*o.extra, "korva2d-demo started");
        s.runs = std::atoi(INIRead(*o.extra, "Demo", "Runs", "demo.ini").c_str()) + 1;
        INIWrite(*o.extra, "Demo", "Runs", std::to_string(s.runs), Variant("demo.ini"));
        Text volume = INIRead(*o.extra, "Demo", "MusicVolume", "demo.ini");
        if (!volume.empty()) s.musicVolume = std::atoi(volume.c_str());
        Load(o, s);
        ShowCursorWin(*o.engine, 0);  // the crosshair stands in for the pointer
        if (FileExists(*o.extra, "tune.ogg") && LoadMP3(*o.music, "tune.ogg")) {
            SetVolume(*o.music, s.musicVolume);
            PlayMP3(*o.music);
        }
        Input in;
        for (; !closed && !in.Held(1) && (frames < 0 || s.frame < frames); ++s.frame) {
            in = ReadInput(*o.engine, in);
            HandleKeys(o, s, in, window.hWnd());
            // The tune starts again when it has played to its end.
            if (s.musicOn && GetDuration(*o.music) > 0 && GetCurrentPosition(*o.music) >= GetDuration(*o.music))
                PlayMP3(*o.music);
            UpdateScene(o, s, in);
            DrawScene(o, s);
            DrawPanels(o, s, in);
            RenderAll(*o.engine);
            LimitFPS(*o.extra, 60);  // processes the window's messages while it waits
        }
        if (frames >= 0) SaveScreenshot(*o.engine);
        ShowCursorWin(*o.engine, -1);
        StopMP3(*o.music);
        SoundStop(*o.engine);
        Sleep(*o.extra, 50);
        if (o.crosshair) o.crosshair->Release();
        if (o.fontSheet) o.fontSheet->Release();
        Korva2D_Unload(*o.engine);
    } catch (const vr::RuntimeError& e) {
        std::fprintf(stderr, "korva2d-demo: run-time error %d: %s\n", e.number(), e.description().c_str());
        return 1;
    }
    return 0;
}
