// Text through the engine: DrawFont of a 300-character paragraph on its first
// call (laid out and rasterised) and on repeated calls (kept), beside drawing
// one texture of the paragraph's size, and DrawText of an 80-character line
// from the bitmap font; median microseconds per call on the software and the
// OpenGL renderer. Each call is followed by an untimed RenderAll, which
// carries out what the renderer queued (the same for every kind of call).
// Targets: a repeated paragraph costs at most a tenth of its first call and
// no more than one texture of its size.
//   text_bench [--calls N]   (headless: SDL's offscreen video driver)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "korva2d/korva2d_calls.h"
#include "platform/drawing.h"
#include "platform/form.h"
#include "platform/gdi.h"
#include "platform/kernel.h"

using namespace korva2d;
using namespace korva2d::calls;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kParagraph =
    "Korva2D draws word-wrapped text in any installed font family, in colour, on top of its sprites. "
    "A paragraph drawn again with the same font, text and colour is not laid out and rasterised again: "
    "the engine keeps what it drew, within a bounded budget, and draws it as one texture per frame.";

// Median microseconds of `calls` runs of f, each followed by `after`.
template <class F, class G>
double MedianUs(int calls, F&& f, G&& after) {
    std::vector<double> us;
    for (int i = 0; i < calls; ++i) {
        auto t0 = Clock::now();
        f(i);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        after();
    }
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

void RunOn(const char* renderer, int calls, const std::string& folder) {
    setenv("SDL_RENDER_DRIVER", renderer, 1);
    vr::Form form("text_bench", 800, 600, vr::RGB(0, 0, 0));
    auto engine = Create<_Engine>(CLSID_Engine, IID__Engine);
    if (!Korva2D_Start(*engine, form.hWnd(), folder, 800, 600)) {
        std::printf("%-9s the engine did not start (see %s/log.txt)\n", renderer, folder.c_str());
        return;
    }
    const std::string name = form.GetDrawing()->RendererName();
    if (name != renderer) {
        std::printf("%-9s not available here (got %s)\n", renderer, name.c_str());
        return;
    }
    auto& e = *engine;
    CreateFont(e, "body", "Arial", 12);
    CreateTexture(e, "font", "font.png");
    CreateTexture(e, "block", "block.png");
    const int16_t x = 40, y = 40, w = 400, h = 200;
    auto frame = [&] { RenderAll(e); };
    std::vector<std::string> texts;  // a different paragraph for every first call
    for (int i = 0; i < std::min(calls, 200); ++i) texts.push_back(kParagraph + " " + std::to_string(i));
    double first = MedianUs(int(texts.size()), [&](int i) {
        DrawFont(e, "body", x, y, w, h, texts[size_t(i)], int32_t(0xFFE0E0FF));
    }, frame);
    auto paragraph = [&](int i) {
        DrawFont(e, "body", x, y, w, h, kParagraph, int32_t(0xFF000000 | (i * 7919 & 0xFFFFFF)));
    };
    // The texture tinted and translucent, as a coloured paragraph is.
    auto block = [&](int) { Draw(e, "block", x, y, w, h, 0, 90); };
    auto none = [] {};
    auto drawn = [&](auto&& f) { return [&, f](int i) { f(i), RenderAll(e); }; };
    double repeated = MedianUs(calls, paragraph, frame);
    double repeatedDrawn = MedianUs(calls, drawn(paragraph), none);
    AmbientColor(e, int16_t(224), int16_t(224), int16_t(255));
    double texture = MedianUs(calls, block, frame);
    double textureDrawn = MedianUs(calls, drawn(block), none);
    AmbientColor(e);
    std::string line(80, ' ');
    for (int i = 0; i < 80; ++i) line[size_t(i)] = "Korva2D bitmap text "[i % 20];
    double letters = MedianUs(calls, [&](int) { DrawText(e, "font", line, 10, 500, 0.4f); }, frame);
    std::printf("%s:\n  DrawFont, 300 characters: first call %.1f us, repeated %.1f us (%.3f of the first; target <= 0.1)\n"
                "  per call: repeated paragraph %.1f us, one %dx%d texture %.1f us\n"
                "  with the frame's drawing (RenderAll): repeated paragraph %.1f us, the texture %.1f us "
                "(ratio %.2f; target <= 1)\n"
                "  DrawText, 80 characters: %.1f us\n",
                renderer, first, repeated, repeated / first, repeated, w, h, texture, repeatedDrawn, textureDrawn,
                repeatedDrawn / textureDrawn, letters);
    Korva2D_Unload(e);
}

}  // namespace

int main(int argc, char** argv) {
    int calls = 1000;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--calls" && i + 1 < argc) calls = std::max(20, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: text_bench [--calls N]\n");
            return 2;
        }
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::string folder = (std::filesystem::temp_directory_path() / "korva2d-text-bench").string();
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(vr::ProgramFolder() + "/../bin/korva2d-samples/font.png", folder + "/font.png",
                               std::filesystem::copy_options::overwrite_existing);
    vr::SaveSurface(vr::Surface(400, 200, 0x406080), folder + "/block.png");
    std::printf("text_bench: medians of %d calls (each followed by an untimed RenderAll)\n", calls);
    for (const char* renderer : {"software", "opengl"}) RunOn(renderer, calls, folder);
    return 0;
}
