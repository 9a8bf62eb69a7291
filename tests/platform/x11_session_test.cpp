// Forms on a real X server that no window manager runs (Xvfb): protocol
// errors, the keyboard after a dialog, exclusive full screen. Run under
// xvfb-run by ctest.
#include <gtest/gtest.h>

#include <functional>

#include "platform/dialogs.h"
#include "platform/kernel.h"
#include "platform/window.h"
#include "window/display_session.h"

// Last: Xlib's macros (None, Bool, ...) would break the headers above.
#include <SDL.h>
#define SDL_VIDEO_DRIVER_X11 1
#include <SDL_syswm.h>
#include <X11/Xlib.h>

using namespace vr;

namespace {

struct XWindowOf {
    Display* display = nullptr;
    Window window = 0;
    explicit XWindowOf(SDL_Window* w) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (w && SDL_GetWindowWMInfo(w, &info) && info.subsystem == SDL_SYSWM_X11) {
            display = info.info.x11.display;
            window = info.info.x11.window;
        }
    }
};

// Where the X server has a window: its place on the root and its size.
SDL_Rect XGeometry(const XWindowOf& w) {
    XSync(w.display, False);
    Window root = 0, child = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    XGetGeometry(w.display, w.window, &root, &x, &y, &width, &height, &border, &depth);
    XTranslateCoordinates(w.display, w.window, root, 0, 0, &x, &y, &child);
    return SDL_Rect{x, y, int(width), int(height)};
}

// Processes messages until done() holds or a second has passed.
bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 100 && !done(); ++i) {
        DoEvents();
        SDL_Delay(10);
    }
    return done();
}

class OnX : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = std::make_unique<Form>("On X", 200, 150, RGB(38, 15, 130));
        form_->Show();
        DoEvents();
        ASSERT_TRUE(XWindowOf(form_->NativeWindow()).display) << "these tests need SDL_VIDEODRIVER=x11";
    }
    std::unique_ptr<Form> form_;
};

}  // namespace

TEST_F(OnX, ProtocolErrorsOnAnyConnectionAreLoggedAndSurvived) {
    Display* sdl = XWindowOf(form_->NativeWindow()).display;
    struct Case {
        const char* what;
        Display* connection;
        std::function<void()> before;  // what may have replaced the handler
    } cases[] = {
        {"SDL's connection", sdl, [] {}},
        {"the platform's own connection", detail::OwnXConnection(), [] {}},
        {"after SDL's passing handlers", sdl,
         [&] {
             std::string why;
             form_->EnterFullScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), why);
             form_->LeaveFullScreen();
         }},
        {"after a library put Xlib's own back", sdl,
         [] {
             XSetErrorHandler(nullptr);
             DoEvents();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(c.connection, nullptr);
        c.before();
        // A window that is gone by the time the server reads the request.
        SDL_Window* doomed = SDL_CreateWindow("doomed", 0, 0, 10, 10, SDL_WINDOW_HIDDEN);
        Window gone = XWindowOf(doomed).window;
        SDL_DestroyWindow(doomed);
        XSync(sdl, False);
        int before = detail::ProtocolErrorCount();
        ::testing::internal::CaptureStderr();
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.format = 8;
        XSendEvent(c.connection, gone, False, NoEventMask, &e);
        XSync(c.connection, False);
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(detail::ProtocolErrorCount(), before + 1);
        EXPECT_NE(err.find("BadWindow"), std::string::npos) << err;
        EXPECT_NE(err.find("X_SendEvent"), std::string::npos) << err;
    }
}

TEST_F(OnX, TheKeyboardComesBackToTheFormAfterADialog) {
    struct Case {
        const char* what;
        bool input, justShown;
    } cases[] = {{"a message box", false, false},
                 {"an input box", true, false},
                 {"a box while the form's focus is not reported yet", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.justShown) {
            form_->Unload();
            form_->Show();
        } else {
            ASSERT_TRUE(PumpUntil([&] { return SDL_GetKeyboardFocus() == form_->NativeWindow(); }));
        }
        // Enter, pressed in the dialog once it has the keyboard.
        SetModalIdleHook([] {
            SDL_Window* dialog = SDL_GetKeyboardFocus();
            if (!dialog || SDL_GetWindowTitle(dialog) != std::string("Question")) return;
            SDL_Event e{};
            e.type = SDL_KEYDOWN;
            e.key.windowID = SDL_GetWindowID(dialog);
            e.key.keysym.sym = SDLK_RETURN;
            SDL_PushEvent(&e);
        });
        if (c.input) InputBox("Your name:", "Question", "Ann");
        else MsgBox("Go on?", kMbOkOnly, "Question");
        SetModalIdleHook(nullptr);
        EXPECT_TRUE(PumpUntil([&] { return SDL_GetKeyboardFocus() == form_->NativeWindow(); }));
        XWindowOf form(form_->NativeWindow());
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(form.display, &focus, &revert);
        EXPECT_EQ(focus, form.window);
    }
}

TEST_F(OnX, ExclusiveFullScreenCoversTheDisplayAndGivesTheWindowBack) {
    XWindowOf form(form_->NativeWindow());
    SDL_SetWindowPosition(form_->NativeWindow(), 70, 90);
    PumpUntil([&] { return XGeometry(form).x == 70; });
    SDL_Rect windowed = XGeometry(form);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    std::string why;
    ASSERT_TRUE(form_->EnterFullScreen(sw, sh, why)) << why;
    SDL_Rect full = XGeometry(form);
    EXPECT_EQ(full.x, 0);
    EXPECT_EQ(full.y, 0);
    EXPECT_EQ(full.w, sw);
    EXPECT_EQ(full.h, sh);
    RECT r;
    GetWindowRect(form_->hWnd(), &r);
    EXPECT_EQ(r.right - r.left, sw) << "the client area is the screen";
    form_->LeaveFullScreen();
    SDL_Rect back = XGeometry(form);
    EXPECT_EQ(back.x, windowed.x);
    EXPECT_EQ(back.y, windowed.y);
    EXPECT_EQ(back.w, 200);
    EXPECT_EQ(back.h, 150);
    EXPECT_EQ(form_->ClientWidth(), 200);
}
