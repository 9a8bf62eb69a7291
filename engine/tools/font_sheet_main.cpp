// korva2d-fontsheet: draws the library's sample bitmap font, a 256 x 256 PNG
// whose 11 x 11 grid matches the default font.ini (cells of 22 x 22 texels
// at a pitch of 23 with a border of 1): white glyphs on transparent black,
// every character of the default table, in Liberation Sans Bold.
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <string>

#include "platform/codepage.h"
#include "platform/fonts.h"
#include "platform/runtime_error.h"

namespace {

// The default table, row by row (Windows-1252).
const char kTable[] =
    " 0123456789"
    "ABCDEFGHIJK"
    "LMNOPQRSTUV"
    "WXYZ       "
    "abcdefghijk"
    "lmnopqrstuv"
    "wxyz       "
    ".,:;'\"-+\\/*"
    "=()[]<>_!?#"
    "&$\x80%\xA9@     "
    "           ";

constexpr int kPitch = 23, kCell = 22, kSheet = 256;

// Copies a rendered glyph into its cell, centred, keeping its coverage as alpha.
void PlaceGlyph(SDL_Surface* sheet, SDL_Surface* glyph, int cellX, int cellY) {
    int ox = cellX + (kCell - glyph->w) / 2, oy = cellY + (kCell - glyph->h) / 2;
    SDL_LockSurface(glyph);
    for (int y = 0; y < glyph->h; ++y)
        for (int x = 0; x < glyph->w; ++x) {
            int tx = ox + x, ty = oy + y;
            if (tx < cellX || ty < cellY || tx >= cellX + kCell || ty >= cellY + kCell) continue;
            uint32_t p = static_cast<uint32_t*>(glyph->pixels)[size_t(y) * glyph->pitch / 4 + x];
            uint32_t a = p >> 24;
            static_cast<uint32_t*>(sheet->pixels)[size_t(ty) * sheet->pitch / 4 + tx] = a ? (a << 24) | 0xFFFFFF : 0;
        }
    SDL_UnlockSurface(glyph);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help") {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "Usage: korva2d-fontsheet OUTPUT.png\nDraws the sample bitmap font of the default font.ini.\n");
        return argc == 2 ? 0 : 2;
    }
    try {
        TTF_Font* font = vr::GetFont("Liberation Sans", 19, true);
        SDL_Surface* sheet = SDL_CreateRGBSurfaceWithFormat(0, kSheet, kSheet, 32, SDL_PIXELFORMAT_ARGB8888);
        if (!sheet) throw vr::RuntimeError(7, SDL_GetError());
        SDL_FillRect(sheet, nullptr, 0);
        SDL_LockSurface(sheet);
        for (int i = 0; i < 121; ++i) {
            char c = kTable[i];
            if (c == ' ') continue;
            std::string utf8 = vr::AnsiToUtf8(std::string(1, c));
            SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
            if (!rendered) throw vr::RuntimeError(5, std::string("Cannot draw a glyph: ") + TTF_GetError());
            SDL_Surface* glyph = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
            SDL_FreeSurface(rendered);
            PlaceGlyph(sheet, glyph, (i % 11) * kPitch + 1, (i / 11) * kPitch + 1);
            SDL_FreeSurface(glyph);
        }
        SDL_UnlockSurface(sheet);
        if (IMG_SavePNG(sheet, argv[1]) != 0) throw vr::RuntimeError(75, std::string("Cannot write ") + argv[1]);
        SDL_FreeSurface(sheet);
    } catch (const vr::RuntimeError& e) {
        std::fprintf(stderr, "korva2d-fontsheet: %s\n", e.description().c_str());
        return 1;
    }
    return 0;
}
