// vr-artgen: writes the game's pictures and sounds into a program folder:
// art/<box>.png for every sprite box, menu.jpg and the twelve wave files.
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/runtime_error.h"
#include "sounds.h"
#include "sprites.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help") {
        std::fprintf(argc == 2 ? stdout : stderr, "Usage: vr-artgen OUTPUT_FOLDER\nWrites the game's art and sounds.\n");
        return argc == 2 ? 0 : 2;
    }
    std::string out = argv[1];
    try {
        std::filesystem::create_directories(out + "/art");
        for (const auto& p : art::MakeSprites()) {
            if (!vr::SaveSurface(p.surface, out + "/art/" + p.name + ".png")) {
                std::fprintf(stderr, "vr-artgen: cannot write %s/art/%s.png\n", out.c_str(), p.name.c_str());
                return 1;
            }
        }
        vr::Surface menu = art::MakeMenuBackdrop();
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(menu.pixels.data(), menu.width, menu.height, 32,
                                                            menu.width * 4, SDL_PIXELFORMAT_XRGB8888);
        if (!s || IMG_SaveJPG(s, (out + "/menu.jpg").c_str(), 92) != 0) {
            std::fprintf(stderr, "vr-artgen: cannot write %s/menu.jpg: %s\n", out.c_str(), SDL_GetError());
            return 1;
        }
        SDL_FreeSurface(s);
        for (const auto& snd : art::MakeSounds()) {
            if (!art::WriteWave(out + "/" + snd.file, snd)) {
                std::fprintf(stderr, "vr-artgen: cannot write %s/%s\n", out.c_str(), snd.file.c_str());
                return 1;
            }
        }
    } catch (const vr::RuntimeError& e) {
        std::fprintf(stderr, "vr-artgen: %s\n", e.description().c_str());
        return 1;
    }
    return 0;
}
