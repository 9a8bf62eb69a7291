// The full start, its failure paths, the texture store's failure rules,
// AmbientColor and screenshots.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "bounded_call.h"
#include "engine_fixture.h"
#include "extra/mod_extra.h"
#include "platform/profile.h"
#include "platform/user_types.h"
#include "platform/window_rect.h"

using namespace korva2d;
using namespace korva2d::calls;
namespace fs = std::filesystem;

namespace {

class EngineStart : public ::testing::Test {
protected:
    void SetUp() override { fx_ = std::make_unique<korva2d_test::EngineFixture>(Name(), 200, 120); }
    void TearDown() override { unsetenv("KORVA2D_DX8_FAIL"); }
    static std::string Name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }
    VBool Start(float w = 200, float h = 120) { return Korva2D_Start(*fx_->engine, fx_->form->hWnd(), fx_->dir, w, h); }
    std::unique_ptr<korva2d_test::EngineFixture> fx_;
};

size_t IniKeyCount(const std::string& file, const char* section) {
    std::vector<char> buf(8192);
    uint32_t n = vr::GetPrivateProfileStringA(section, nullptr, "", buf.data(), uint32_t(buf.size()), file.c_str());
    size_t count = 0;
    for (uint32_t i = 0; i < n; ++i) count += buf[i] == 0;
    return count;
}

}  // namespace

TEST_F(EngineStart, FullStartPlacesTheWindowWritesTheDefaultFontAndReadsItBack) {
    ASSERT_EQ(Start(640.5f, 481.5f), -1);  // ties to even: 640 x 482
    EXPECT_EQ(fx_->Object().Display().ResWidth, 640);
    EXPECT_EQ(fx_->Object().Display().ResHeight, 482);
    EXPECT_EQ(fx_->Device().BackBufferWidth(), 640);
    vr::RECT r;
    ASSERT_TRUE(vr::GetWindowRect(fx_->form->hWnd(), &r));
    int sw = vr::GetSystemMetrics(vr::SM_CXSCREEN), sh = vr::GetSystemMetrics(vr::SM_CYSCREEN);
    EXPECT_EQ(r.left, vr::CLng((sw - 640) / 2.0));
    EXPECT_EQ(r.top, vr::CLng((sh - 482) / 2.0));
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 482);
    std::vector<std::string> first = {std::string(23, '#'), "APPLICATION STARTED ###",
                                      "File is missing : " + fx_->dir + "\\font.ini"};
    EXPECT_EQ(fx_->Log(), first);
    std::string ini = fx_->dir + "/font.ini";
    EXPECT_EQ(IniKeyCount(ini, "Signs value"), 121u);
    EXPECT_EQ(IniKeyCount(ini, "Signs position"), 121u);
    EXPECT_EQ(ReadIniValue("Signs position", "0", "font.ini"), "1x1");
    EXPECT_EQ(ReadIniValue("Signs position", "1", "font.ini"), "24x1");
    EXPECT_EQ(ReadIniValue("Signs position", "120", "font.ini"), "231x231");
    EXPECT_EQ(ReadIniValue("Signs value", "101", "font.ini"), "\x80");
    EXPECT_EQ(ReadIniValue("Letter sizes", "Width", "font.ini"), "22");
    EXPECT_EQ(ReadIniValue("Letter sizes", "Height", "font.ini"), "22");
    const TextureStore& t = fx_->Object().Textures();
    EXPECT_EQ(t.AmbientRed + t.AmbientGreen + t.AmbientBlue, 3 * 255);
    const BitmapFont& e = fx_->Object().Letters();
    auto signs = e.Signs;
    auto pos = e.LetterPos;
    std::string before = vr::testing::ReadBytes(ini);

    Korva2D_Unload(*fx_->engine);
    ASSERT_EQ(Start(), -1);
    EXPECT_EQ(fx_->Log().size(), 6u) << "the second start finds font.ini";
    EXPECT_EQ(vr::testing::ReadBytes(ini), before);
    for (int i = 0; i <= 120; ++i) {
        // Cells written as a space read back blank.
        EXPECT_EQ(e.Signs[i], signs[i] == " " ? "" : signs[i]) << i;
        EXPECT_EQ(e.LetterPos[i].X, pos[i].X) << i;
        EXPECT_EQ(e.LetterPos[i].Y, pos[i].Y) << i;
    }
    EXPECT_EQ(e.LetterWidth, 22);
}

TEST_F(EngineStart, ADamagedFontIniEndsTheStartAfterTheFontNamingTheFileAndTheFault) {
    struct {
        const char* section;
        const char* key;
        const char* value;
        const char* line;  // after "Error in Korva2D_Start : Run-time error "
    } cases[] = {
        {"Signs position", "5", "3X4", "13: Type mismatch (INI: [Signs position] 5 = \"3X4\" is not two whole numbers joined by a small x)"},
        {"Signs position", "6", "34", "9: Subscript out of range (INI: [Signs position] 6 = \"34\" is not two whole numbers"},
        {"Letter sizes", "Width", "", "13: Type mismatch (INI: [Letter sizes] Width = \"\" is not a whole number)"},
        {"Letter sizes", "Height", "99999", "6: Overflow (INI: [Letter sizes] Height = \"99999\" is not a whole number)"},
        {nullptr, nullptr, nullptr, "75: Path/File access error (INI: it is a FIFO, device or socket, not a file)"},
    };
    ASSERT_EQ(Start(), -1);
    std::string ini = fx_->dir + "/font.ini";
    std::string saved = vr::testing::ReadBytes(ini);
    for (const auto& c : cases) {
        fs::remove(ini);
        if (c.section) {
            vr::testing::WriteBytes(ini, saved);
            vr::WritePrivateProfileStringA(c.section, c.key, c.value, ini.c_str());
        } else {
            ASSERT_EQ(mkfifo(ini.c_str(), 0600), 0);
        }
        AmbientColor(*fx_->engine, 0, 0, 0);
        EXPECT_EQ(Start(), 0) << c.line;
        std::string expected = "Error in Korva2D_Start : Run-time error " + std::string(c.line);
        expected.replace(expected.find("INI"), 3, fx_->dir + "\\font.ini");
        EXPECT_EQ(fx_->Log().back().rfind(expected, 0), 0u) << fx_->Log().back();
        EXPECT_EQ(fx_->Object().Textures().AmbientRed, 0) << "the ambient colour comes after the font";
    }
}

TEST_F(EngineStart, MissingServicesShowTheInstallBoxOrTakeTheErrorPath) {
    if (!VR_TEST_SEAMS) GTEST_SKIP() << "built without the engine's failure hooks (VR_TEST_SEAMS)";
    const std::string box = "DirectX Error | Install DirectX 8.1 or better";
    struct {
        const char* fail;
        bool box;
        uint32_t hr;           // of the call
        const char* lastLine;  // beyond the two start lines ("" for none)
    } cases[] = {
        {"root,d3dx", true, 0x800A005B, ""},
        {"d3d", true, 0, "Error in Korva2D_Start : Run-time error 91: "},
        {"device", false, 0, "Error in Korva2D_Start : D3DERR_NOTAVAILABLE: "},
        {"sprite", false, 0, "Error in Korva2D_Start : E_FAIL: "},
    };
    for (const auto& c : cases) {
        fx_ = std::make_unique<korva2d_test::EngineFixture>(Name() + c.fail, 200, 120);
        vr::testing::WriteBytes(fx_->dir + "/font.ini", "");  // no font line in the log
        setenv("KORVA2D_DX8_FAIL", c.fail, 1);
        vr::com::HRESULT hr = 0;
        VBool result = -1;
        auto shown = vr::testing::ShownDialogs([&] {
            int32_t hwnd = fx_->form->hWnd();
            float w = 200, h = 120;
            VBool full = 0;
            int16_t adapter = 0;
            hr = fx_->engine->Korva2D_Start(hwnd, fx_->dir, w, h, full, adapter, &result);
        });
        EXPECT_EQ(uint32_t(hr), c.hr) << c.fail;
        EXPECT_EQ(shown, c.box ? std::vector<std::string>{box} : std::vector<std::string>{}) << c.fail;
        auto log = fx_->Log();
        ASSERT_EQ(log.size(), *c.lastLine ? 3u : 2u) << c.fail;
        if (*c.lastLine) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(log[2].rfind(c.lastLine, 0), 0u) << log[2];
        }
    }
}

TEST_F(EngineStart, ASizeBeyondSixteenBitsStillStoresTheWindowAndTheFolder) {
    auto shown = vr::testing::ShownDialogs([&] { Start(40000, 120); });
    EXPECT_EQ(shown.size(), 1u);
    ASSERT_GE(fx_->Log().size(), 2u);
    EXPECT_EQ(fx_->Log()[1], "APPLICATION STARTED ###");
    EXPECT_EQ(fx_->Object().Display().hWnd, fx_->form->hWnd());
}

TEST_F(EngineStart, AmbientColorTakesNumbersAndNumericTextAndRefusesWords) {
    ASSERT_EQ(Start(), -1);
    const std::string box = " | Error in AmbientColor()\\nWrong RGB value!";  // the dialog log writes a line break as \n
    struct {
        Variant r, g, b;
        int32_t red, green, blue;
        bool refused;
    } cases[] = {
        {Variant("12"), Variant(2.5), Variant(3.5), 12, 2, 4, false},
        {Variant("red"), Variant(int16_t(1)), Variant(int16_t(2)), 12, 2, 4, true},
        {Variant(int16_t(7)), Variant("green"), Variant(int16_t(3)), 7, 2, 4, true},
        {Variant(int32_t(300)), Variant(int16_t(-5)), Variant(int16_t(0)), 300, -5, 0, false},
    };
    for (const auto& c : cases) {
        auto shown = vr::testing::ShownDialogs([&] { AmbientColor(*fx_->engine, c.r, c.g, c.b); });
        const TextureStore& e = fx_->Object().Textures();
        EXPECT_EQ(std::vector<int32_t>({e.AmbientRed, e.AmbientGreen, e.AmbientBlue}),
                  std::vector<int32_t>({c.red, c.green, c.blue}));
        ASSERT_EQ(shown.size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_EQ(shown[0].substr(shown[0].find(" | ")), box);
        }
    }
}

TEST_F(EngineStart, TexturesFailByEachMembersOwnRule) {
    ASSERT_EQ(Start(), -1);
    auto& e = *fx_->engine;
    std::string d = fx_->dir + "/";
    vr::testing::WriteBytes(d + "text.png", "this is no picture");
    vr::testing::WriteBytes(d + "empty.png", "");
    vr::testing::WriteBytes(d + "cut.png", vr::testing::ReadBytes(d + "quad.png").substr(0, 60));
    fs::create_directory(d + "folder.png");
    vr::SaveSurface(vr::Surface(16385, 1), d + "huge.png");
    CreateTexture(e, "quad", "quad.png");
    CreateTexture(e, "none", "none.png");
    const char* bad[] = {"text.png", "empty.png", "cut.png", "folder.png", "huge.png"};
    for (const char* f : bad) CreateTexture(e, f, f);
    auto log = fx_->Log();
    ASSERT_EQ(log.size(), 3u + 1 + 5);
    EXPECT_EQ(log[3], "File is missing : " + fx_->dir + "\\none.png");
    for (int i = 4; i < 8; ++i) EXPECT_EQ(log[size_t(i)].rfind("Error in CreateTexture() : D3DXERR_INVALIDDATA", 0), 0u);
    EXPECT_EQ(log[8].rfind("Error in CreateTexture() : D3DERR_NOTAVAILABLE", 0), 0u);
    EXPECT_EQ(fx_->Object().Textures().Entries.Count(), 6) << "failed loads keep their keys";

    auto shown = vr::testing::ShownDialogs([&] { CreateTexture(e, "QUAD", "quad.png"); });
    EXPECT_EQ(shown, std::vector<std::string>{"DirectX Error | 'quad' already exists!"});
    EXPECT_EQ(fx_->Object().Textures().Entries.Count(), 6);

    auto draw = [&](Text key, float w, float h, float sw, float sh) {
        float x = 0, y = 0, rot = 0, sx = 0, sy = 0;
        int16_t alpha = 100;
        return uint32_t(e.Draw(key, x, y, w, h, rot, alpha, sx, sy, sw, sh));
    };
    EXPECT_EQ(draw("never", 32, 32, 0, 0), 0u) << "an unknown key draws nothing";
    EXPECT_EQ(draw("text.png", 32, 32, 0, 0), 0x8876086Cu) << "D3DERR_INVALIDCALL reaches the caller unchanged";
    EXPECT_EQ(draw("quad", 0, 0, 50, 50), 0x800A000Bu) << "division by zero";

    TextureObject t = nullptr;
    CreateTextureEx(e, t, "none.png");
    EXPECT_EQ(t, nullptr);
    CreateTextureEx(e, t, "quad.png");
    ASSERT_NE(t, nullptr);
    TextureObject first = t;
    first->AddRef();
    CreateTextureEx(e, t, "quad.png");
    EXPECT_NE(t, first);
    EXPECT_EQ(first->Release(), 0u) << "the replaced reference was released";
    TextureObject notATexture = fx_->engine.Get();
    float f0 = 0, f32 = 32;
    int16_t alpha = 100;
    EXPECT_EQ(e.DrawEx(notATexture, f0, f0, f32, f32, f0, alpha, f0, f0, f0, f0), 0);
    TextureObject none = nullptr;
    EXPECT_EQ(e.DrawEx(none, f0, f0, f32, f32, f0, alpha, f0, f0, f0, f0), 0);
    t->Release();

    Korva2D_Unload(e);
    EXPECT_EQ(draw("quad", 32, 32, 0, 0), 0x800A0009u) << "the emptied store";
    int16_t zero = 0;
    EXPECT_EQ(uint32_t(e.ClearScreen(zero, zero, zero)), 0x800A005Bu);
    EXPECT_EQ(e.RenderAll(), 0);
}

TEST_F(EngineStart, ScreenshotsTakeTheFirstFreeNumberAndShowThePresentedFrame) {
    ASSERT_EQ(Start(), -1);
    auto& e = *fx_->engine;
    ClearScreen(e, 200, 30, 30);
    RenderAll(e);
    ClearScreen(e, 0, 0, 0);  // drawn after the present: not on the screen
    SaveScreenshot(e);
    std::string d = fx_->dir + "/";
    vr::Surface shot = vr::LoadPictureFile(d + "screenshot001.bmp");
    vr::RECT r;
    vr::GetWindowRect(fx_->form->hWnd(), &r);
    EXPECT_EQ(shot.width, r.right - r.left);
    EXPECT_EQ(shot.height, r.bottom - r.top);
    EXPECT_EQ(shot.At(shot.width / 2, shot.height / 2), vr::PixelRGB(200, 30, 30));

    vr::testing::WriteBytes(d + "screenshot003.bmp", "");
    SaveScreenshot(e);
    EXPECT_TRUE(fs::exists(d + "screenshot002.bmp"));
    for (int n = 4; n <= 999; ++n) vr::testing::WriteBytes(d + "screenshot" + (n < 10 ? "00" : n < 100 ? "0" : "") + std::to_string(n) + ".bmp", "");
    SaveScreenshot(e);
    EXPECT_TRUE(fs::exists(d + "screenshot1000.bmp"));
    EXPECT_EQ(fx_->Log().size(), 3u) << "no error line";

    fs::remove_all(fx_->dir);
    EXPECT_EQ(e.SaveScreenshot(), 0);
    EXPECT_FALSE(fs::exists(fx_->dir)) << "a missing folder writes nothing";
}

TEST_F(EngineStart, AfterASoundOnlyStartTheDrawingMembersFindNoDevice) {
    ASSERT_EQ(Korva2D_Start_OnlySound(*fx_->engine, fx_->form->hWnd(), fx_->dir), -1);
    auto& e = *fx_->engine;
    Draw(e, "never", 0, 0, 1, 1);
    RenderAll(e);
    int16_t zero = 0;
    EXPECT_EQ(uint32_t(e.ClearScreen(zero, zero, zero)), 0x800A005Bu);
    SaveScreenshot(e);
    EXPECT_EQ(fx_->Log().back().rfind("Error in SaveScreenshot() : Run-time error 91", 0), 0u);
    EXPECT_FALSE(fx_->form->Shown()) << "the sound-only start leaves the window alone";
}

TEST_F(EngineStart, FullScreenTakesADisplayModeOfExactlyTheBackBuffersSize) {
    int sw = vr::GetSystemMetrics(vr::SM_CXSCREEN), sh = vr::GetSystemMetrics(vr::SM_CYSCREEN);
    auto& e = *fx_->engine;
    EXPECT_EQ(Korva2D_Start(e, fx_->form->hWnd(), fx_->dir, float(sw + 8), float(sh), -1), 0);
    EXPECT_EQ(fx_->Log().back().rfind("Error in Korva2D_Start : D3DERR_NOTAVAILABLE", 0), 0u);
    ASSERT_EQ(Korva2D_Start(e, fx_->form->hWnd(), fx_->dir, float(sw), float(sh), -1), -1) << fx_->LogText();
    EXPECT_EQ(fx_->Device().BackBufferWidth(), sw);
    vr::RECT r;
    vr::GetWindowRect(fx_->form->hWnd(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right - r.left, sw) << "the device's window covers the screen";
    Korva2D_Unload(e);
    vr::GetWindowRect(fx_->form->hWnd(), &r);
    EXPECT_EQ(r.right - r.left, 200) << "and is a window again after the device";
}

TEST_F(EngineStart, ALogThatIsAFifoIsRefusedInsteadOfWaitedOn) {
    ASSERT_EQ(mkfifo((fx_->dir + "/log.txt").c_str(), 0600), 0);
    std::vector<std::string> shown;
    // The start makes a device, which takes its memory: only a hang is a fault here.
    vr::testing::RunWatched("Korva2D_Start with a FIFO as log.txt", [&] {
        shown = vr::testing::ShownDialogs([&] { EXPECT_THROW(Start(), vr::RuntimeError) << "error 75 from the error line itself"; });
    }, false);
    EXPECT_EQ(shown, std::vector<std::string>{"DirectX Error | Install DirectX 8.1 or better"}) << "no log";
}
