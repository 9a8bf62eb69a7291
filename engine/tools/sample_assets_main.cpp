// korva2d-samples: writes the library's sample assets into a folder: the
// bitmap font of the default font.ini, sprites, sound effects and a tune.
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/runtime_error.h"
#include "sample_pictures.h"
#include "sample_sounds.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help") {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "Usage: korva2d-samples FOLDER\n"
                     "Writes the sample assets of the Korva2D library: font.png (the bitmap font of the default\n"
                     "font.ini), ship.png, planet.png, asteroid.png, glow.png, crosshair.bmp, blip.wav, laser.wav,\n"
                     "chime.wav and tune.ogg.\n");
        return argc == 2 ? 0 : 2;
    }
    try {
        std::filesystem::create_directories(argv[1]);
        samples::WritePictures(argv[1]);
        samples::WriteSounds(argv[1]);
    } catch (const vr::RuntimeError& e) {
        std::fprintf(stderr, "korva2d-samples: %s\n", e.description().c_str());
        return 1;
    } catch (const std::filesystem::filesystem_error& e) {
        std::fprintf(stderr, "korva2d-samples: %s\n", e.what());
        return 1;
    }
    return 0;
}
