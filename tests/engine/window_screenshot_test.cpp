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
#include "platform/form.h"
#include "platform/window_rect.h"
#include "window/native.h"

using namespace korva2d::calls;
namespace fs = std::filesystem;

namespace {

const int kScreenW = 1024, kScreenH = 768;  // the offscreen display

// An engine started at 300 x 200 on a 200 x 120 form, after `before` was done to the form.
struct Started : korva2d_test::EngineFixture {
    explicit Started(const std::string& name, const std::function<void(vr::Form&)>& before = {})
        : EngineFixture(name, 200, 120) {
        if (before) before(*form);
        EXPECT_EQ(Korva2D_Start(*engine, form->hWnd(), dir, 300, 200), -1) << LogText();
        ClearScreen(*engine, 200, 30, 30);
        RenderAll(*engine);
    }
    std::vector<std::string> ScreenshotFiles() const {  // hidden ones too
        std::vector<std::string> names;
        for (const auto& f : fs::directory_iterator(dir))
            if (f.path().filename().string().find("screenshot") != std::string::npos)
                names.push_back(f.path().filename().string());
        return names;
    }
};

}  // namespace

TEST(WindowAndScreenshot, TheStartCentresWhatTheScreenShows) {
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
        {"as it is", {}, {}, {362, 284, 300, 200}},
        {"scaled before the start", twice, {}, {212, 184, 600, 400}},
        {"scaled after the start", {}, twice, {362, 284, 600, 400}},
        {"filling the desktop", desktop, {}, {0, 0, kScreenW, kScreenH}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Started s(std::string("centre-") + c.what, c.before);
        if (c.after) c.after(*s.form);
        SDL_Rect r{};
        SDL_GetWindowPosition(vr::NativeWindow(*s.form), &r.x, &r.y);
        SDL_GetWindowSize(vr::NativeWindow(*s.form), &r.w, &r.h);
        EXPECT_TRUE(r.x == c.shown.x && r.y == c.shown.y && r.w == c.shown.w && r.h == c.shown.h)
            << r.w << " x " << r.h << " at " << r.x << ", " << r.y;
    }
}

TEST(WindowAndScreenshot, AScreenshotIsTheWholeWindowBlackWhereItLeavesTheScreen) {
    Started s("offscreen-window");
    const size_t lines = s.Log().size();
    const std::pair<int, int> places[] = {{-50, 100}, {kScreenW - 50, 100}, {100, kScreenH - 30}, {-1000, 100}};
    int n = 0;
    for (auto [left, top] : places) {
        SCOPED_TRACE(std::to_string(left) + ", " + std::to_string(top));
        vr::SetWindowPos(s.form->hWnd(), 0, left, top, 0, 0, vr::SWP_NOSIZE);
        SaveScreenshot(*s.engine);
        vr::Surface shot = vr::LoadPictureFile(s.dir + "/screenshot00" + std::to_string(++n) + ".bmp");
        ASSERT_TRUE(shot.width == 300 && shot.height == 200) << shot.width << " x " << shot.height;
        for (auto [x, y] : {std::pair{0, 0}, {299, 0}, {0, 199}, {299, 199}}) {
            bool seen = left + x >= 0 && left + x < kScreenW && top + y >= 0 && top + y < kScreenH;
            EXPECT_EQ(shot.At(x, y), seen ? vr::PixelRGB(200, 30, 30) : 0u) << x << ", " << y;
        }
    }
    EXPECT_EQ(s.Log().size(), lines) << s.LogText();
}

// A limit on the size of the files the process writes makes a write fail
// part-way, as a full disk does (EFBIG where a full disk gives ENOSPC).
TEST(WindowAndScreenshot, AScreenshotThatCannotBeWrittenWholeLeavesNoFile) {
    Started s("full-disk");
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, SIG_IGN);
    // Room for the log's line; the picture (180 054 bytes) is cut early or late.
    for (rlim_t room : {rlim_t(fs::file_size(s.dir + "/log.txt") + 1024), rlim_t(150000)}) {
        rlimit small = unlimited;
        small.rlim_cur = room;
        setrlimit(RLIMIT_FSIZE, &small);
        SaveScreenshot(*s.engine);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_EQ(s.ScreenshotFiles(), std::vector<std::string>{}) << room;
        std::string line = s.Log().back();
        EXPECT_EQ(line.rfind("Error in SaveScreenshot() : ", 0), 0u) << line;
        EXPECT_NE(line.find(s.dir + "/screenshot001.bmp: " + std::strerror(EFBIG)), std::string::npos) << line;
    }
    signal(SIGXFSZ, SIG_DFL);
    SaveScreenshot(*s.engine);
    EXPECT_EQ(s.ScreenshotFiles(), std::vector<std::string>{"screenshot001.bmp"}) << "the number stays free";
}
