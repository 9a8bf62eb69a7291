// The menu screen, the head-up texts, the field's text and the time format.
#include "core/game_main.h"
#include "game_fixture.h"
#include "platform/cursor.h"
#include "scores/field_text.h"

using namespace game;
using namespace game::testing;

namespace {
// Pixels of a rectangle of the field in one exact colour.
int CountColour(int x0, int y0, int x1, int y1, uint32_t pixel) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += Field().Image().At(x, y) == pixel;
    return n;
}
}  // namespace

TEST(FormatTime, WritesMinutesAndSecondsWithTwoDigitsEach) {
    EXPECT_EQ(FormatTime(95), "01:35");
    EXPECT_EQ(FormatTime(59), "00:59");
    EXPECT_EQ(FormatTime(60), "01:00");
    EXPECT_EQ(FormatTime(0), "00:00");
    EXPECT_EQ(FormatTime(6000), "100:00");
    EXPECT_EQ(FormatTime(-5), "00:-05");
}

TEST_F(GameTest, PrintFieldTextHighlightsTheLatestPlaceAndRestoresTheColour) {
    G.HighlightPlace = 3;
    Field().SetForeColor(vr::RGB(255, 255, 255));
    PrintFieldText(vr::Variant("03|  0040"), 40, 190, 10, true, true);
    PrintFieldText(vr::Variant("04|  0030"), 40, 210, 10, true, true);
    PrintFieldText(vr::Variant("03 not highlighted"), 40, 230, 10, true, false);
    EXPECT_EQ(Field().ForeColor(), vr::RGB(255, 255, 255));
    EXPECT_EQ(Field().Font().size, 10);  // size and weight stay
    EXPECT_TRUE(Field().Font().bold);
    uint32_t highlight = vr::PixelFromColorref(kHighlightColour), white = vr::PixelRGB(255, 255, 255);
    EXPECT_GT(CountColour(40, 190, 120, 208, highlight), 10);
    EXPECT_EQ(CountColour(40, 190, 120, 208, white), 0);
    EXPECT_GT(CountColour(40, 210, 120, 228, white), 10);
    EXPECT_EQ(CountColour(40, 210, 120, 228, highlight), 0);
    EXPECT_EQ(CountColour(40, 230, 120, 248, highlight), 0);
}

TEST_F(GameTest, MenuScreenShowsTheTableThePromptAndTheClickLabel) {
    for (int i = 1; i <= 10; ++i) G.TopTen[i] = ScoreEntry{"RE Rize", 0, 0, 0};
    G.FieldMouseX = 150;
    G.FieldMouseY = 300;
    Field().Cls();
    DrawMenuScreen();
    const vr::Surface& prompt = Form1().PicMenuCTP->Image();
    // The prompt is copied opaque at x 67 or 68, y 400.
    bool at67 = true, at68 = true;
    for (int y = 0; y < 45; y += 7)  // the upload hint is drawn over the prompt's lowest rows
        for (int x = 1; x < 167; x += 11) {
            at67 &= FieldPixel(67 + x, 400 + y) == prompt.At(x, y);
            at68 &= FieldPixel(68 + x, 400 + y) == prompt.At(x, y);
        }
    EXPECT_TRUE(at67 || at68);
    uint32_t mint = vr::PixelRGB(216, 255, 254), white = vr::PixelRGB(255, 255, 255),
             blue = vr::PixelRGB(128, 128, 255);
    EXPECT_GT(CountColour(40, 130, 280, 148, mint), 20);    // the header
    EXPECT_GT(CountColour(40, 150, 280, 350, white), 200);  // ten rows
    EXPECT_GT(CountColour(40, 355, 200, 390, white), 20);   // best time
    EXPECT_GT(CountColour(150, 290, 190, 304, white), 5);   // "Click" 10 pixels above the pointer
    EXPECT_GT(CountColour(73, 450, 280, 464, blue), 10);    // the upload hint
    EXPECT_EQ(Field().ForeColor(), vr::RGB(128, 128, 255)); // left for the next frame
}

TEST_F(GameTest, TheUploadHintIsWrittenOnAPlainDarkBandOfThePrompt) {
    const vr::Surface& prompt = Form1().PicMenuCTP->Image();
    // The hint's line (field y 450 and below) covers the prompt's rows 50 to 58.
    uint32_t band = prompt.At(0, 46);
    int other = 0;
    for (int y = 46; y < 59; ++y)
        for (int x = 0; x < 168; ++x) other += prompt.At(x, y) != band;
    EXPECT_EQ(other, 0);
    EXPECT_LT(((band >> 16) & 0xFF) + ((band >> 8) & 0xFF) + (band & 0xFF), 90u);
}

TEST_F(GameTest, HeadUpTextsShowTheScoreInRedOnlyInAFrameInWhichItRose) {
    StartRun();
    G.Score = 12;
    auto scoreColour = [&](uint32_t pixel) { return CountColour(234, 2, 300, 22, pixel); };
    Field().Cls();
    DrawHeadUpTexts();
    EXPECT_GT(scoreColour(vr::PixelRGB(255, 255, 0)), 10);
    EXPECT_EQ(scoreColour(vr::PixelRGB(255, 0, 0)), 0);
    G.ScoreFlash = kTrue;
    Field().Cls();
    DrawHeadUpTexts();
    EXPECT_GT(scoreColour(vr::PixelRGB(255, 0, 0)), 10);
    EXPECT_GT(CountColour(3, 485, 280, 498, vr::PixelRGB(255, 255, 0)), 10);  // the help line in early runs
    G.RunCount = 5;
    Field().Cls();
    DrawHeadUpTexts();
    EXPECT_EQ(CountColour(3, 485, 280, 498, vr::PixelRGB(255, 255, 0)), 0);
}

TEST_F(GameTest, FrameLoopPassDrawsTheMenuThenARunAndCallsTheLimiter) {
    StartRun();
    G.Playing = kFalse;
    FrameLoopPass();
    EXPECT_EQ(extra.limitCalls, 1);
    G.Playing = kTrue;
    FrameLoopPass();
    EXPECT_EQ(G.EarthFrames, 149);  // the run frame's backdrop ran
    EXPECT_EQ(extra.limitCalls, 2);
    vr::ClipCursor(nullptr);
}
