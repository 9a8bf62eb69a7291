// vr-icongen: draws the game's desktop icon from its ship sprite: the ship
// on a rounded square of deep space with a few stars, as PNG files in the
// icon theme's sizes, OUT/hicolor/NxN/apps/vortex-raiders.png.
// The sprite is a generated sheet: the ship in its top half, its mask (black
// where the ship is) in the bottom half.
#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};
constexpr int kSamples = 8;  // per pixel and axis: smooth edges at every size

// A colour with premultiplied alpha, all channels in 0..1.
struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
};

Rgba Over(const Rgba& top, const Rgba& under) {
    float k = 1 - top.a;
    return {top.r + under.r * k, top.g + under.g * k, top.b + under.b * k, top.a + under.a * k};
}

// The ship's colours with the mask as alpha.
struct Sprite {
    int size = 0;
    std::vector<Rgba> texels;
    Rgba At(int x, int y) const { return texels[size_t(y) * size + x]; }
};

Sprite LoadShip(const char* path) {
    SDL_Surface* loaded = IMG_Load(path);
    if (!loaded) throw std::runtime_error(std::string("cannot read ") + path + ": " + IMG_GetError());
    SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    if (!s || s->h != 2 * s->w) {
        if (s) SDL_FreeSurface(s);
        throw std::runtime_error(std::string(path) + " is not a sprite sheet with its mask");
    }
    Sprite ship;
    ship.size = s->w;
    SDL_LockSurface(s);
    auto pixel = [&](int x, int y) { return static_cast<const uint32_t*>(s->pixels)[size_t(y) * s->pitch / 4 + x]; };
    for (int y = 0; y < s->w; ++y)
        for (int x = 0; x < s->w; ++x) {
            uint32_t c = pixel(x, y), m = pixel(x, y + s->w);
            float alpha = 1 - float(m & 0xFF) / 255;
            ship.texels.push_back({float((c >> 16) & 0xFF) / 255 * alpha, float((c >> 8) & 0xFF) / 255 * alpha,
                                   float(c & 0xFF) / 255 * alpha, alpha});
        }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    return ship;
}

// The backdrop at (u, v) in 0..1: a rounded square, navy at the top, violet below.
Rgba Backdrop(float u, float v) {
    constexpr float kMargin = 0.04f, kRadius = 0.2f;
    float dx = std::max(std::fabs(u - 0.5f) - (0.5f - kMargin - kRadius), 0.0f);
    float dy = std::max(std::fabs(v - 0.5f) - (0.5f - kMargin - kRadius), 0.0f);
    if (dx * dx + dy * dy > kRadius * kRadius) return {};
    return {0.04f + 0.12f * v, 0.05f + 0.02f * v, 0.16f + 0.14f * v, 1};
}

// A few stars, shown from 32 pixels up, where they are more than noise.
Rgba Stars(float u, float v, int size) {
    static const float kStars[][3] = {{0.18f, 0.2f, 1}, {0.8f, 0.16f, 0.8f}, {0.24f, 0.74f, 0.7f},
                                      {0.84f, 0.66f, 1},  {0.7f, 0.88f, 0.6f}, {0.14f, 0.47f, 0.5f}};
    if (size < 32) return {};
    float radius = std::max(0.6f / float(size), 0.008f);
    for (const auto& s : kStars)
        if (std::hypot(u - s[0], v - s[1]) < radius) return {s[2], s[2], s[2] * 0.9f + 0.1f, s[2]};
    return {};
}

// The ship centred, 3/4 of the icon high, looked up at its nearest texel.
Rgba Ship(const Sprite& ship, float u, float v) {
    constexpr float kSpan = 0.75f;
    float x = (u - 0.5f) / kSpan + 0.5f, y = (v - 0.5f) / kSpan + 0.5f;
    if (x < 0 || y < 0 || x >= 1 || y >= 1) return {};
    return ship.At(int(x * ship.size), int(y * ship.size));
}

bool WriteIcon(const Sprite& ship, int size, const std::string& path) {
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, size, size, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!icon) return false;
    SDL_LockSurface(icon);
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            Rgba sum;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    float u = (px + (sx + 0.5f) / kSamples) / size, v = (py + (sy + 0.5f) / kSamples) / size;
                    Rgba c = Over(Ship(ship, u, v), Over(Stars(u, v, size), Backdrop(u, v)));
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
                }
            float n = kSamples * kSamples, a = sum.a / n;
            auto channel = [&](float premultiplied) {
                return uint32_t(std::lround(std::clamp(a > 0 ? premultiplied / n / a : 0.0f, 0.0f, 1.0f) * 255));
            };
            uint32_t alpha = uint32_t(std::lround(a * 255));
            static_cast<uint32_t*>(icon->pixels)[size_t(py) * icon->pitch / 4 + px] =
                alpha << 24 | channel(sum.r) << 16 | channel(sum.g) << 8 | channel(sum.b);
        }
    SDL_UnlockSurface(icon);
    bool ok = IMG_SavePNG(icon, path.c_str()) == 0;
    SDL_FreeSurface(icon);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr,
                     "Usage: vr-icongen SHIP.png OUTPUT_FOLDER\n"
                     "Draws the game's icon as OUTPUT_FOLDER/hicolor/NxN/apps/vortex-raiders.png.\n");
        return 2;
    }
    try {
        Sprite ship = LoadShip(argv[1]);
        for (int size : kSizes) {
            std::string dir = std::string(argv[2]) + "/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
            std::filesystem::create_directories(dir);
            if (!WriteIcon(ship, size, dir + "/vortex-raiders.png"))
                throw std::runtime_error("cannot write " + dir + "/vortex-raiders.png: " + SDL_GetError());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vr-icongen: %s\n", e.what());
        return 1;
    }
    return 0;
}
