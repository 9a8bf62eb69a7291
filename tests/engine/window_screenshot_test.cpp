// Where the full start puts the window, and screenshots of it: a window partly
// off the screen, a file that cannot be written whole.
#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "engine_fixture.h"

using namespace korva2d;
using namespace korva2d::calls;
namespace fs = std::filesystem;

namespace {

std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

struct Started {
    explicit Started(const std::string& name, std::function<void(vr::Form&)> before = {}) : fx(name, 200, 120) {
        if (before) before(*fx.form);
        ok = Korva2D_Start(*fx.engine, fx.form->hWnd(), fx.dir, 300, 200) == -1;
    }
    // The window as the display shows it.
    SDL_Rect Shown() const {
        SDL_Rect r{};
        SDL_GetWindowPosition(fx.form->NativeWindow(), &r.x, &r.y);
        SDL_GetWindowSize(fx.form->NativeWindow(), &r.w, &r.h);
        return r;
    }
    // The files that hold or held a screenshot, hidden ones too.
    std::vector<std::string> ScreenshotFiles() const {
        std::vector<std::string> names;
        for (const auto& f : fs::directory_iterator(fx.dir))
            if (f.path().filename().string().find("screenshot") != std::string::npos)
                names.push_back(f.path().filename().string());
        return names;
    }
    korva2d_test::EngineFixture fx;
    bool ok = false;
};

}  // namespace

TEST(WindowAndScreenshot, TheStartCentresWhatTheScreenShows) {
    const int sw = vr::GetSystemMetrics(vr::SM_CXSCREEN), sh = vr::GetSystemMetrics(vr::SM_CYSCREEN);
    auto twice = [](vr::Form& f) { f.SetScale(2); };
    auto desktop = [](vr::Form& f) {
        std::string why;
        f.EnterDesktopFullScreen(why);
    };
    struct Case {
        const char* what;
        std::function<void(vr::Form&)> before, after;
        SDL_Rect shown;
    } cases[] = {
        {"as it is", {}, {}, {(sw - 300) / 2, (sh - 200) / 2, 300, 200}},
        {"scaled before the start", twice, {}, {(sw - 600) / 2, (sh - 400) / 2, 600, 400}},
        {"scaled after the start", {}, twice, {(sw - 300) / 2, (sh - 200) / 2, 600, 400}},
        {"filling the desktop", desktop, {}, {0, 0, sw, sh}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Started s(TestName() + std::to_string(++n), c.before);
        ASSERT_TRUE(s.ok) << s.fx.LogText();
        if (c.after) c.after(*s.fx.form);
        SDL_Rect r = s.Shown();
        EXPECT_EQ(r.x, c.shown.x);
        EXPECT_EQ(r.y, c.shown.y);
        EXPECT_EQ(r.w, c.shown.w);
        EXPECT_EQ(r.h, c.shown.h);
        EXPECT_EQ(s.fx.form->ClientWidth(), 300);
    }
}

TEST(WindowAndScreenshot, AScreenshotIsTheWholeWindowBlackWhereItLeavesTheScreen) {
    const int sw = vr::GetSystemMetrics(vr::SM_CXSCREEN), sh = vr::GetSystemMetrics(vr::SM_CYSCREEN);
    Started s(TestName());
    ASSERT_TRUE(s.ok) << s.fx.LogText();
    _Engine& e = *s.fx.engine;
    const size_t lines = s.fx.Log().size();
    struct Case {
        const char* what;
        int x, y;
    } cases[] = {{"partly left of the screen", -50, 100},
                 {"partly right of it", sw - 50, 100},
                 {"partly below it", 100, sh - 30},
                 {"wholly off it", -1000, 100}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vr::SetWindowPos(s.fx.form->hWnd(), 0, c.x, c.y, 0, 0, vr::SWP_NOSIZE);
        ClearScreen(e, 200, 30, 30);
        RenderAll(e);
        SaveScreenshot(e);
        vr::Surface shot = vr::LoadPictureFile(s.fx.dir + "/screenshot00" + std::to_string(++n) + ".bmp");
        ASSERT_EQ(shot.width, 300);
        ASSERT_EQ(shot.height, 200);
        for (auto [x, y] : {std::pair{0, 0}, {299, 0}, {0, 199}, {299, 199}}) {
            bool onScreen = c.x + x >= 0 && c.x + x < sw && c.y + y >= 0 && c.y + y < sh;
            EXPECT_EQ(shot.At(x, y), onScreen ? vr::PixelRGB(200, 30, 30) : 0u) << x << ", " << y;
        }
    }
    EXPECT_EQ(s.fx.Log().size(), lines) << s.fx.LogText();
}

// A limit on the size of files the process writes makes a write fail part-way,
// as a full disk does (EFBIG where a full disk gives ENOSPC).
TEST(WindowAndScreenshot, AScreenshotThatCannotBeWrittenWholeLeavesNoFile) {
    Started s(TestName());
    ASSERT_TRUE(s.ok) << s.fx.LogText();
    _Engine& e = *s.fx.engine;
    ClearScreen(e, 200, 30, 30);
    RenderAll(e);
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, SIG_IGN);
    // Room for the log's line; the picture (180 054 bytes) is cut early or late.
    for (rlim_t room : {rlim_t(fs::file_size(s.fx.dir + "/log.txt") + 1024), rlim_t(150000)}) {
        SCOPED_TRACE(room);
        rlimit small = unlimited;
        small.rlim_cur = room;
        setrlimit(RLIMIT_FSIZE, &small);
        SaveScreenshot(e);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_TRUE(s.ScreenshotFiles().empty()) << s.ScreenshotFiles().front();
        std::string line = s.fx.Log().back();
        EXPECT_EQ(line.rfind("Error in SaveScreenshot() : ", 0), 0u) << line;
        EXPECT_NE(line.find(s.fx.dir + "/screenshot001.bmp: " + std::strerror(EFBIG)), std::string::npos) << line;
    }
    signal(SIGXFSZ, SIG_DFL);
    SaveScreenshot(e);
    EXPECT_EQ(s.ScreenshotFiles(), std::vector<std::string>{"screenshot001.bmp"}) << "the number stays free";
}
