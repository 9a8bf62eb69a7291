// Bitmap-font text (a sheet whose every cell has its own colour) and system
// fonts laid out in rectangles, read back from the back buffer.
#include <gtest/gtest.h>

#include <functional>

#include "engine_fixture.h"
#include "platform/profile.h"

using namespace korva2d;
using namespace korva2d::calls;

namespace {

constexpr uint32_t kBack = 0xFF000000;
constexpr int kW = 320, kH = 200;

// The colour of cell k of the test sheet: every cell a different opaque colour.
uint32_t CellColour(int k) { return 0xFF000000u | uint32_t(k * 2) << 16 | uint32_t(255 - k) << 8 | 0x40; }

void WriteCellSheet(const std::string& path) {
    vr::Surface s(256, 256);
    for (int k = 0; k < 121; ++k)
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 22; ++x) s.At(23 * (k % 11) + 1 + x, 23 * (k / 11) + 1 + y) = CellColour(k) & 0xFFFFFF;
    vr::SaveSurface(s, path);
}

class Text_ : public ::testing::Test {
protected:
    void SetUp() override {
        fx_ = std::make_unique<korva2d_test::EngineFixture>("text", kW, kH);
        WriteCellSheet(fx_->dir + "/cells.png");
        Restart();
    }
    void Restart() {
        Korva2D_Unload(*fx_->engine);
        ASSERT_EQ(Korva2D_Start(*fx_->engine, fx_->form->hWnd(), fx_->dir, kW, kH), -1) << fx_->LogText();
        Text key = "cells" + std::to_string(starts_++);
        CreateTexture(*fx_->engine, key, "cells.png");
        sheet_ = key;
        ClearScreen(*fx_->engine);
    }
    uint32_t Pixel(int x, int y) { return fx_->BackBuffer().at(size_t(y) * kW + x); }
    // The bounding box of everything drawn on the cleared back buffer.
    vr::RECT Drawn() {
        auto p = fx_->BackBuffer();
        vr::RECT box{kW, kH, -1, -1};
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (p[size_t(y) * kW + x] != kBack) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box;
    }
    HRESULT Letters(const Text& text, float x, float y, float scale = 1, float r = 255, float g = 255, float b = 255,
                    bool ex = false) {
        Text t = text, key = sheet_;
        float rot = 0;
        int16_t alpha = 100;
        if (!ex) return fx_->engine->DrawText(key, t, x, y, scale, rot, alpha, r, g, b);
        TextureObject tex = fx_->LastTexture();
        return fx_->engine->DrawTextEx(tex, t, x, y, scale, rot, alpha, r, g, b);
    }
    HRESULT Font(const Text& key, int16_t x, int16_t y, int16_t w, int16_t h, const Text& text,
                 int32_t colour = -1, int32_t format = 0) {
        Text k = key, t = text;
        return fx_->engine->DrawFont(k, x, y, w, h, t, colour, format);
    }
    std::unique_ptr<korva2d_test::EngineFixture> fx_;
    Text sheet_;
    int starts_ = 0;
};

}  // namespace

TEST_F(Text_, LettersAdvanceByTheCellWidthTimesTheScale) {
    ASSERT_EQ(Letters("AB", 10, 20, 2), 0);
    EXPECT_EQ(Pixel(10, 20), CellColour(11));
    EXPECT_EQ(Pixel(53, 63), CellColour(11));
    EXPECT_EQ(Pixel(54, 20), CellColour(12));
    EXPECT_EQ(Pixel(97, 63), CellColour(12));
    EXPECT_EQ(Pixel(98, 20), kBack);
    EXPECT_EQ(Pixel(10, 64), kBack);
    struct {
        const char* text;
        int cell;
    } cells[] = {{"\t", 0}, {"a", 44}, {"A", 11}, {"0", 1}, {"\x80", 101}, {"#", 98}, {"~", 0}, {" ", 0}};
    for (const auto& c : cells) {
        ClearScreen(*fx_->engine);
        Letters(c.text, 100, 100);
        EXPECT_EQ(Pixel(110, 110), CellColour(c.cell)) << "character " << int(uint8_t(c.text[0]));
    }
    ClearScreen(*fx_->engine);
    EXPECT_EQ(Letters("", 0, 0), 0);
    EXPECT_EQ(Drawn().right, -1) << "an empty text draws nothing";
    EXPECT_EQ(Letters("A", 0, 0, 1, 255, 255, 255), 0);
    Text never = "never", t = "A";
    float f0 = 0, f1 = 1, f255 = 255;
    int16_t alpha = 100;
    EXPECT_EQ(fx_->engine->DrawText(never, t, f0, f0, f1, f0, alpha, f255, f255, f255), 0);
}

TEST_F(Text_, TheLettersOwnColourTintsTheSheet) {
    Letters("0", 0, 0, 1, 255, 255, 255);  // cell 1 is (2, 254, 64)
    EXPECT_EQ(Pixel(5, 5), CellColour(1)) << "255 in each part keeps the sheet's colours";
    Letters("0", 30, 0, 1, 255, 127.5f, 255);
    EXPECT_NEAR(int((Pixel(35, 5) >> 8) & 0xFF), 254 * 128 / 255, 1) << "127.5 rounds to 128";
    Letters("0", 60, 0, 1, 255, 126.5f, 255);
    EXPECT_NEAR(int((Pixel(65, 5) >> 8) & 0xFF), 254 * 126 / 255, 1) << "126.5 rounds to 126";
}

TEST_F(Text_, DrawTextStopsAtAFailingLetterAndDrawTextExGoesOn) {
    // Cell 12 (B) moved to x 32760: its right edge overflows sixteen bits.
    std::string ini = fx_->dir + "/font.ini";
    vr::WritePrivateProfileStringA("Signs position", "12", "32760x1", ini.c_str());
    Restart();
    EXPECT_EQ(uint32_t(Letters("ABA", 0, 0)), 0x800A0006u);
    EXPECT_EQ(Pixel(5, 5), CellColour(11));
    EXPECT_EQ(Pixel(49, 5), kBack) << "nothing after the failing letter";
    ClearScreen(*fx_->engine);
    EXPECT_EQ(Letters("ABA", 0, 0, 1, 255, 255, 255, true), 0);
    EXPECT_EQ(Pixel(27, 5), CellColour(11)) << "the failing letter keeps the cell before it";
    EXPECT_EQ(Pixel(49, 5), CellColour(11));
    // A text longer than a 16-bit count: DrawText fails back, DrawTextEx draws nothing.
    EXPECT_EQ(uint32_t(Letters(std::string(100000, 'A'), 0, 0)), 0x800A0006u);
    EXPECT_EQ(Letters(std::string(100000, 'A'), 0, 0, 1, 255, 255, 255, true), 0);
}

TEST_F(Text_, SystemFontsWrapAlignAndClipToTheirRectangle) {
    auto& e = *fx_->engine;
    CreateFont(e, "Body", "Arial", 12);
    const Text para = "The quick brown fox jumps over the lazy dog again and again.";
    ASSERT_EQ(Font("BODY", 20, 30, 150, 100, para), 0);
    vr::RECT box = Drawn();
    EXPECT_GE(box.left, 20);
    EXPECT_LE(box.left, 23);
    EXPECT_GE(box.top, 30);
    EXPECT_LE(box.right, 170);
    EXPECT_LE(box.bottom, 130);
    EXPECT_GT(box.bottom - box.top, 40) << "the paragraph wraps onto several lines";
    uint32_t brightest = 0;
    for (uint32_t p : fx_->BackBuffer()) brightest = std::max(brightest, p);
    EXPECT_EQ(brightest, 0xFFFFFFFFu) << "the default colour is opaque white";

    struct {
        int32_t format;
        const char* what;
    } aligned[] = {{1, "centred"}, {2, "right"}, {36, "one line centred vertically"}, {40, "one line at the bottom"}};
    for (const auto& a : aligned) {
        ClearScreen(e);
        Font("body", 20, 30, 200, 120, "Wide", -1, a.format);
        vr::RECT b = Drawn();
        int got = a.format == 1    ? (b.left + b.right) / 2
                  : a.format == 2  ? b.right
                  : a.format == 36 ? (b.top + b.bottom) / 2
                                   : b.bottom;
        int want = a.format == 1 ? 120 : a.format == 2 ? 220 : a.format == 36 ? 90 : 150;
        EXPECT_NEAR(got, want, 5) << a.what;
    }
    ClearScreen(e);
    Font("body", 0, 0, 60, 40, std::string(100000, 'W'));
    vr::RECT clipped = Drawn();
    EXPECT_LE(clipped.right, 60);
    EXPECT_LE(clipped.bottom, 40);
    ClearScreen(e);
    EXPECT_EQ(Font("body", 0, 0, 60, 40, ""), 0);
    EXPECT_EQ(Font("never", 0, 0, 60, 40, "x"), 0);
    EXPECT_EQ(Drawn().right, -1) << "an empty text and an unknown key draw nothing";
    EXPECT_EQ(uint32_t(Font("body", 32000, 0, 1000, 40, "x")), 0x800A0006u) << "a rectangle beyond 16 bits";
}

TEST_F(Text_, FontsAreCachedCaseInsensitiveAndRegisteredOnce) {
    auto& e = *fx_->engine;
    CreateFont(e, "title", "No Such Family At All", 20, -1, -1);
    ASSERT_EQ(Font("TITLE", 0, 0, 300, 100, "falls back to a default family"), 0);
    EXPECT_NE(Drawn().right, -1);
    auto& info = *fx_->Object().Fonts().Entries.At(1).Info;
    for (int i = 0; i < 5; ++i) Font("title", 0, 0, 300, 100, "falls back to a default family", int32_t(0xFF00FF00 + i));
    EXPECT_EQ(info.LayoutCount(), 1) << "the same paragraph in another colour is not laid out again";
    auto refused = [](const char* key) {
        return std::vector<std::string>{"DirectX Error | Error importing fonts KeyName.\\n'" + std::string(key) +
                                        "' already exists!"};
    };
    EXPECT_EQ(vr::testing::ShownDialogs([&] { CreateFont(e, "TITLE", "Arial"); }), refused("title"));
    EXPECT_EQ(fx_->Object().Fonts().Entries.Count(), 1);
    EXPECT_EQ(fx_->Object().Fonts().FontDesc->Size, 20);
    CreateFont(e, "small", "Times New Roman");
    EXPECT_EQ(fx_->Object().Fonts().FontDesc->Size, 10) << "10 points unless told";
    EXPECT_FALSE(fx_->Object().Fonts().FontDesc->Bold);
    Korva2D_Unload(e);
    // The emptied store keeps its keys: a registered key draws nothing and stays taken.
    EXPECT_EQ(Font("title", 0, 0, 10, 10, "x"), 0);
    EXPECT_EQ(Font("never", 0, 0, 10, 10, "x"), 0);
    EXPECT_EQ(vr::testing::ShownDialogs([&] { CreateFont(e, "SMALL", "Arial"); }), refused("small"));
    EXPECT_EQ(fx_->Object().Fonts().Entries.Count(), 2);
    Restart();  // a new start: new fonts draw, the released ones still draw nothing
    CreateFont(e, "fresh", "Arial", 12);
    EXPECT_EQ(Font("title", 0, 0, 300, 100, "gone"), 0);
    EXPECT_EQ(Drawn().right, -1);
    EXPECT_EQ(Font("fresh", 0, 0, 300, 100, "here"), 0);
    EXPECT_NE(Drawn().right, -1);
}

TEST_F(Text_, NoClipDrawsPastTheRectangleAndCalcRectOnlyMeasures) {
    auto& e = *fx_->engine;
    CreateFont(e, "body", "Arial", 12);
    const Text para = "The quick brown fox jumps over the lazy dog again and again.";
    const int32_t kNoClip = 256, kCalcRect = 1024, kSingle = 32, kCentre = 1;
    ASSERT_EQ(Font("body", 20, 30, 150, 20, para), 0);
    const vr::RECT clipped = Drawn();
    EXPECT_LE(clipped.bottom, 50);
    struct {
        const char* what;
        int16_t x, y, w, h;
        Text text;
        int32_t format;
        std::function<bool(const vr::RECT&)> drawn;
    } cases[] = {
        {"wrapped lines go on below", 20, 30, 150, 20, para, kNoClip,
         [&](const vr::RECT& b) { return b.bottom > 70 && b.left >= 20 && b.right <= 170 && b.top == clipped.top; }},
        {"a centred line wider than the rectangle spills both ways", 150, 30, 20, 20, "A wide single line",
         kNoClip | kSingle | kCentre, [](const vr::RECT& b) { return b.left < 130 && b.right > 190; }},
        {"an empty rectangle is a point to draw at", 50, 60, 0, 0, "Point", kNoClip | kSingle,
         [](const vr::RECT& b) { return b.left >= 50 && b.left < 55 && b.top >= 60 && b.top < 65; }},
        {"measuring draws nothing", 20, 30, 150, 20, para, kCalcRect, [](const vr::RECT& b) { return b.right == -1; }},
    };
    for (const auto& c : cases) {
        ClearScreen(e);
        EXPECT_EQ(Font("body", c.x, c.y, c.w, c.h, c.text, -1, c.format), 0) << c.what;
        vr::RECT b = Drawn();
        EXPECT_TRUE(c.drawn(b)) << c.what << ": " << b.left << "," << b.top << " - " << b.right << "," << b.bottom;
    }
    // The measured extent: the widest line within the width, every line's height.
    const vr::RECT& m = fx_->Object().Fonts().TextRect;
    EXPECT_EQ(m.left, 20);
    EXPECT_EQ(m.top, 30);
    EXPECT_LE(m.right, 170);
    EXPECT_GE(m.right, clipped.right);
    EXPECT_GE(m.bottom, 30 + 3 * (clipped.bottom - 30)) << "several lines though the rectangle shows one";
    Font("body", 20, 30, 5, 5, "One line", -1, kCalcRect | kSingle);
    EXPECT_GT(m.right, 60) << "a single line is measured whole";
    EXPECT_LT(m.bottom, 60);
}
