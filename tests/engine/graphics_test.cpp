// Sprites, frame control and textures, read back from the device's back
// buffer on both renderers (software, and OpenGL through EGL where present).
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "engine_fixture.h"

using namespace korva2d;
using namespace korva2d::calls;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;
constexpr uint32_t kBack = 0xFF282828;  // the cleared background: 40, 40, 40

// A started engine drawing into a 200 x 120 form, its back buffer cleared to kBack.
class Graphics : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        setenv("SDL_RENDER_DRIVER", GetParam(), 1);
        fx_ = std::make_unique<korva2d_test::EngineFixture>(std::string("graphics-") + GetParam(), 200, 120);
        ASSERT_EQ(Korva2D_Start(*fx_->engine, fx_->form->hWnd(), fx_->dir, 200, 120), -1) << fx_->LogText();
        if (fx_->form->GetDrawing()->RendererName() != GetParam()) GTEST_SKIP() << "no " << GetParam() << " renderer here";
        CreateTexture(*fx_->engine, "quad", "quad.png");
        ClearScreen(*fx_->engine, 40, 40, 40);
    }
    void TearDown() override { unsetenv("SDL_RENDER_DRIVER"); }
    uint32_t Pixel(int x, int y) { return fx_->BackBuffer().at(size_t(y) * 200 + x); }
    std::unique_ptr<korva2d_test::EngineFixture> fx_;
};

struct Probe {
    int x, y;
    uint32_t colour;
};
struct DrawCase {
    const char* what;
    float x, y, w, h, rotation;
    float srcX, srcY, scaleW, scaleH;
    std::vector<Probe> probes;
};

TEST_P(Graphics, SpritesArePlacedScaledTurnedAndMirroredWhereTheValuesSay) {
    const DrawCase cases[] = {
        {"plain, top-left at (X, Y)", 10, 20, 32, 32, 0, 0, 0, 0, 0,
         {{10, 20, kRed}, {41, 20, kGreen}, {10, 51, kBlue}, {41, 51, kYellow}, {9, 20, kBack}, {42, 51, kBack},
          {10, 19, kBack}, {10, 52, kBack}}},
        {"a quarter turn counter-clockwise about the centre", 60, 20, 32, 32, 90, 0, 0, 0, 0,
         {{60, 20, kGreen}, {91, 20, kYellow}, {60, 51, kRed}, {91, 51, kBlue}, {59, 20, kBack}, {92, 51, kBack}}},
        {"the scale divides by SrcX + Width", 100, 20, 16, 32, 0, 16, 0, 64, 64,
         {{100, 20, kGreen}, {131, 20, kGreen}, {132, 20, kBack}, {100, 83, kYellow}, {100, 84, kBack}}},
        {"a negative scale mirrors to the left of X", 150, 20, 32, 32, 0, 0, 0, -32, 32,
         {{149, 20, kRed}, {118, 20, kGreen}, {150, 20, kBack}, {117, 20, kBack}}},
        {"scaleHeight 0 with a scaleWidth draws nothing visible", 10, 70, 32, 32, 0, 0, 0, 50, 0,
         {{10, 70, kBack}, {30, 80, kBack}}},
        {"scaleWidth 0 draws unscaled whatever scaleHeight is", 60, 70, 32, 32, 0, 0, 0, 0, 50,
         {{60, 70, kRed}, {91, 101, kYellow}, {92, 101, kBack}, {91, 102, kBack}}},
    };
    for (const DrawCase& c : cases) {
        ClearScreen(*fx_->engine, 40, 40, 40);
        Draw(*fx_->engine, "quad", c.x, c.y, c.w, c.h, c.rotation, 100, c.srcX, c.srcY, c.scaleW, c.scaleH);
        for (const Probe& p : c.probes)
            EXPECT_EQ(Pixel(p.x, p.y), p.colour) << c.what << " at (" << p.x << ", " << p.y << ")";
    }
}

TEST_P(Graphics, AlphaAndTheAmbientColourTintTheTexels) {
    struct {
        int16_t alpha;
        int red, green;  // expected at a red texel over the 40-grey background
    } cases[] = {{0, 40, 40}, {50, 148, 20}, {100, 255, 0}};
    for (const auto& c : cases) {
        ClearScreen(*fx_->engine, 40, 40, 40);
        Draw(*fx_->engine, "quad", 10, 10, 32, 32, 0, c.alpha);
        uint32_t p = Pixel(10, 10);
        EXPECT_NEAR(int((p >> 16) & 0xFF), c.red, 2) << "alpha " << c.alpha;
        EXPECT_NEAR(int((p >> 8) & 0xFF), c.green, 2) << "alpha " << c.alpha;
    }
    // Black ambient light: the texels go black, the keyed-out middle keeps showing the background.
    TextureObject keyed = nullptr;
    CreateTextureEx(*fx_->engine, keyed, "quad.png", int32_t(0xFFFF00FF));
    ASSERT_NE(keyed, nullptr);
    ClearScreen(*fx_->engine, 40, 40, 40);
    DrawEx(*fx_->engine, keyed, 10, 10, 32, 32);
    EXPECT_EQ(Pixel(10, 10), kRed);
    EXPECT_EQ(Pixel(26, 26), kBack) << "the colour key makes the magenta texels transparent";
    AmbientColor(*fx_->engine, int16_t(0), int16_t(0), int16_t(0));
    DrawEx(*fx_->engine, keyed, 60, 10, 32, 32);
    EXPECT_EQ(Pixel(60, 10), 0xFF000000u);
    EXPECT_EQ(Pixel(76, 26), kBack);
    keyed->Release();
}

TEST_P(Graphics, ClearAndPresentShowTheBackBufferStretchedOverTheWindow) {
    struct {
        std::vector<int16_t> args;
        uint32_t colour;
    } clears[] = {{{}, 0xFF000000}, {{255, 0, 0}, 0xFFFF0000}, {{300, -5, 10}, 0xFFFF000A}};
    for (const auto& c : clears) {
        if (c.args.empty()) ClearScreen(*fx_->engine);
        else ClearScreen(*fx_->engine, c.args[0], c.args[1], c.args[2]);
        EXPECT_EQ(Pixel(5, 5), c.colour);
    }
    // A 100 x 60 back buffer in the 200 x 120 window: every pixel shows twice as large.
    Korva2D_Unload(*fx_->engine);
    ASSERT_EQ(Korva2D_Start(*fx_->engine, fx_->form->hWnd(), fx_->dir, 100, 60), -1);
    fx_->form->Resize(200, 120);  // the start made the window 100 x 60; the user made it larger
    CreateTexture(*fx_->engine, "quad2", "quad.png");
    ClearScreen(*fx_->engine, 40, 40, 40);
    Draw(*fx_->engine, "quad2", 10, 10, 32, 32);
    Draw(*fx_->engine, "quad2", 0, 0, 1, 1);  // not shown until the next frame
    RenderAll(*fx_->engine);
    Draw(*fx_->engine, "quad2", 80, 40, 32, 32);
    vr::Surface shown;
    ASSERT_TRUE(fx_->form->ReadPresented(shown));
    EXPECT_EQ(shown.At(20, 20), 0xFF0000u);
    EXPECT_EQ(shown.At(83, 83), 0xFFFF00u);
    EXPECT_EQ(shown.At(84, 84), 0x282828u);
    EXPECT_EQ(shown.At(170, 90), 0x282828u) << "drawn after the present";
}

INSTANTIATE_TEST_SUITE_P(Renderers, Graphics, ::testing::Values("software", "opengl"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
