#include <gtest/gtest.h>
#include <sys/stat.h>

#include "bounded_call.h"
#include "hostile_pictures.h"
#include "platform/gdi.h"
#include "platform/runtime_error.h"
#include "test_files.h"

using namespace vr;

namespace {
// A sprite sheet in the game's layout: picture over black on top, its mask
// (black shape on white) below.
Surface Sprite(int w, int h, uint32_t color) {
    Surface s(w, 2 * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool inside = (x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) <= (w / 2) * (w / 2) / 2;
            s.At(x, y) = inside ? color : 0;
            s.At(x, y + h) = inside ? 0 : 0xFFFFFF;
        }
    return s;
}
}  // namespace

TEST(BitBlt, RasterOperationsCombinePixelsBitwise) {
    Surface dst(4, 1, 0x00F0F0F0);
    Surface src(4, 1, 0x000FFF00);
    ASSERT_TRUE(BitBlt(dst, 0, 0, 1, 1, src, 0, 0, SRCCOPY));
    ASSERT_TRUE(BitBlt(dst, 1, 0, 1, 1, src, 1, 0, SRCAND));
    ASSERT_TRUE(BitBlt(dst, 2, 0, 1, 1, src, 2, 0, SRCPAINT));
    EXPECT_EQ(dst.At(0, 0), 0x000FFF00u);
    EXPECT_EQ(dst.At(1, 0), 0x0000F000u);
    EXPECT_EQ(dst.At(2, 0), 0x00FFFFF0u);
    EXPECT_EQ(dst.At(3, 0), 0x00F0F0F0u);
    EXPECT_FALSE(BitBlt(dst, 0, 0, 1, 1, src, 0, 0, 0x00550009));
}

TEST(BitBlt, MaskedSpritePairKeepsTheBackgroundAroundTheShape) {
    Surface field(30, 30, PixelRGB(10, 20, 30));
    Surface ship = Sprite(20, 20, PixelRGB(200, 50, 50));
    BitBlt(field, 5, 5, 20, 20, ship, 0, 20, SRCAND);
    BitBlt(field, 5, 5, 20, 20, ship, 0, 0, SRCPAINT);
    EXPECT_EQ(field.At(15, 15), PixelRGB(200, 50, 50));  // the shape
    EXPECT_EQ(field.At(5, 5), PixelRGB(10, 20, 30));     // the corner is outside the shape
    EXPECT_EQ(field.At(0, 0), PixelRGB(10, 20, 30));     // outside the block
}

TEST(BitBlt, ClipsToSourceAndDestinationOnEveryEdge) {
    Surface src(10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) src.At(x, y) = uint32_t(y * 10 + x + 1);
    Surface dst(8, 8, 0xABCDEF);
    // Negative destination: only the part inside lands, from the matching source offset.
    BitBlt(dst, -3, -2, 5, 5, src, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.At(0, 0), src.At(3, 2));
    EXPECT_EQ(dst.At(1, 2), src.At(4, 4));
    EXPECT_EQ(dst.At(2, 0), 0xABCDEFu);
    // Source past its right and bottom edge: those columns and rows stay as they were.
    dst.Fill(0xABCDEF);
    BitBlt(dst, 0, 0, 5, 5, src, 7, 8, SRCCOPY);
    EXPECT_EQ(dst.At(2, 1), src.At(9, 9));
    EXPECT_EQ(dst.At(3, 0), 0xABCDEFu);
    EXPECT_EQ(dst.At(0, 2), 0xABCDEFu);
    // Negative source offset and a destination past the far edges.
    dst.Fill(0xABCDEF);
    BitBlt(dst, 6, 6, 5, 5, src, -1, 0, SRCCOPY);
    EXPECT_EQ(dst.At(6, 6), 0xABCDEFu);
    EXPECT_EQ(dst.At(7, 7), src.At(0, 1));
    // Entirely outside: nothing changes, no crash.
    Surface before = dst;
    BitBlt(dst, 100, -100, 5, 5, src, 0, 0, SRCCOPY);
    BitBlt(dst, 0, 0, 5, 5, src, 10, 0, SRCCOPY);
    BitBlt(dst, 0, 0, -5, 5, src, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.pixels, before.pixels);
}

TEST(BitBlt, OverlappingCopyWithinOneSurfaceReadsTheOriginal) {
    Surface s(5, 1);
    for (int x = 0; x < 5; ++x) s.At(x, 0) = uint32_t(x);
    BitBlt(s, 1, 0, 4, 1, s, 0, 0, SRCCOPY);
    EXPECT_EQ(s.pixels, (std::vector<uint32_t>{0, 0, 1, 2, 3}));
}

TEST(TextOut, DrawsInItsColourInsideItsBoxWithATransparentBackground) {
    Surface s(200, 40, PixelRGB(0, 0, 80));
    FontSpec f{"Arial", 10, true};
    TextOut(s, 20, 10, "Score 0040", f, RGB(255, 255, 0));
    int w = 0, h = 0;
    MeasureText("Score 0040", f, &w, &h);
    EXPECT_GT(w, 40);
    EXPECT_GE(h, 12);
    int yellow = 0, outside = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            uint32_t p = s.At(x, y);
            bool inBox = x >= 20 && x < 20 + w && y >= 10 && y < 10 + h;
            if (p == PixelRGB(255, 255, 0)) ++yellow;
            if (!inBox && p != PixelRGB(0, 0, 80)) ++outside;
        }
    EXPECT_GT(yellow, 20);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(s.At(21, 11 + h - 2), PixelRGB(0, 0, 80));  // between glyphs the background shows
    TextOut(s, -500, -500, "off the surface", f, RGB(255, 0, 0));  // clipped away, no crash
}

TEST(Pictures, LoadFromFileAndFailClearly) {
    std::string dir = vr::testing::FreshFolder("pictures");
    Surface s(3, 2, PixelRGB(1, 2, 3));
    s.At(2, 1) = PixelRGB(250, 0, 7);
    ASSERT_TRUE(SaveSurface(s, dir + "/p.png"));
    ASSERT_TRUE(SaveSurface(s, dir + "/p.bmp"));
    Surface png = LoadPictureFile(dir + "\\p.png");
    EXPECT_EQ(png.pixels, s.pixels);
    EXPECT_EQ(LoadPictureFile(dir + "/p.bmp").pixels, s.pixels);
    try {
        LoadPictureFile(dir + "/missing.jpg");
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 53);
    }
    vr::testing::WriteBytes(dir + "/bad.jpg", "this is no picture");
    try {
        LoadPictureFile(dir + "/bad.jpg");
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 481);
    }
}

TEST(Pictures, BombsCutFilesAndFifosFailFromTheirHeadersWithTheReason) {
    std::string dir = vr::testing::FreshFolder("hostile-pictures");
    std::string menu = vr::testing::Jpeg(300, 200);
    struct Case {
        std::string name, bytes, reason;
    };
    std::vector<Case> cases;
    for (const auto& bomb : vr::testing::PictureBombs(30000, menu))
        cases.push_back({bomb.name, bomb.bytes, "30000 x 30000 pixels, more than the 16384"});
    cases.push_back({"half.jpg", menu.substr(0, menu.size() / 2), "cut short"});
    cases.push_back({"half.tga", vr::testing::Tga(64, 64, false, 64 * 32), "cut short"});
    cases.push_back({"pipe.jpg", "", "it is a FIFO, device or socket, not a file"});
    for (const Case& c : cases) {
        std::string path = dir + "/" + c.name;
        if (c.name == "pipe.jpg") ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        else vr::testing::WriteBytes(path, c.bytes);
        std::string error;
        vr::testing::RunWatched(c.name, [&] {
            try {
                LoadPictureFile(path);
            } catch (const RuntimeError& e) {
                error = std::to_string(e.number()) + " " + e.description();
            }
        });
        EXPECT_EQ(error.rfind("481 Invalid picture: " + path + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}
