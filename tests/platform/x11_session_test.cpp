// Forms on a real X server that no window manager runs (Xvfb): protocol
// errors and the keyboard after a dialog. tests/e2e/run_on_display.sh runs it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/form.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/window_rect.h"
#include "window/display_session.h"
#include "window/native.h"

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
        ASSERT_TRUE(XWindowOf(NativeWindow(*form_)).display) << "these tests need SDL_VIDEODRIVER=x11";
    }
    std::unique_ptr<Form> form_;
};

}  // namespace

TEST_F(OnX, ProtocolErrorsOnAnyConnectionAreLoggedAndSurvived) {
    Display* sdl = XWindowOf(NativeWindow(*form_)).display;
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

// The end-to-end test answers a dialog over a focused game; here the dialog
// comes before the form's focus is reported.
TEST_F(OnX, TheKeyboardComesBackToTheFormAfterADialog) {
    SetModalIdleHook([] {  // Enter, pressed in the dialog once it has the keyboard
        SDL_Window* dialog = SDL_GetKeyboardFocus();
        if (!dialog || SDL_GetWindowTitle(dialog) != std::string("Question")) return;
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.windowID = SDL_GetWindowID(dialog);
        e.key.keysym.sym = SDLK_RETURN;
        SDL_PushEvent(&e);
    });
    InputBox("Your name:", "Question", "Ann");
    SetModalIdleHook(nullptr);
    EXPECT_TRUE(PumpUntil([&] { return SDL_GetKeyboardFocus() == NativeWindow(*form_); }));
    XWindowOf form(NativeWindow(*form_));
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(form.display, &focus, &revert);
    EXPECT_EQ(focus, form.window);
}

namespace {

// A key (with its modifiers) or a text typed into a dialog.
struct Typed {
    SDL_Keycode key = SDLK_UNKNOWN;
    const char* text = nullptr;  // UTF-8
    int mod = KMOD_NONE;
};

// Answers the input box "Name" by typing into it once it has the keyboard, one
// key or text a frame, then Enter; notes the dialog's size on the way.
std::string TypeIntoInputBox(const std::string& defaultText, std::vector<Typed> typing, int* w = nullptr,
                             int* h = nullptr) {
    typing.push_back(Typed{SDLK_RETURN});
    size_t next = 0;
    SetModalIdleHook([&] {
        SDL_Window* dialog = SDL_GetKeyboardFocus();
        if (!dialog || SDL_GetWindowTitle(dialog) != std::string("Name") || next == typing.size()) return;
        if (w) SDL_GetWindowSize(dialog, w, h);
        const Typed& t = typing[next++];
        SDL_Event e{};
        if (t.text) {
            e.type = SDL_TEXTINPUT;
            e.text.windowID = SDL_GetWindowID(dialog);
            SDL_strlcpy(e.text.text, t.text, sizeof e.text.text);
        } else {
            e.type = SDL_KEYDOWN;
            e.key.windowID = SDL_GetWindowID(dialog);
            e.key.keysym.sym = t.key;
            e.key.keysym.mod = Uint16(t.mod);
        }
        SDL_PushEvent(&e);
    });
    std::string answer = InputBox("Enter your name:", "Name", defaultText);
    SetModalIdleHook(nullptr);
    return answer;
}

}  // namespace

TEST_F(OnX, TheInputBoxStartsWithItsDefaultTextSelectedSoTypingReplacesIt) {
    struct Case {
        const char* defaultText;
        std::vector<Typed> typing;
        const char* answer;  // Windows-1252
    } cases[] = {
        {"Newbie", {{SDLK_UNKNOWN, "Zo\xC3\xAB"}}, "Zo\xEB"},               // typed over the default
        {"Newbie", {}, "Newbie"},                                            // Enter takes the default
        {"Newbie", {{SDLK_END}, {SDLK_UNKNOWN, "2"}}, "Newbie2"},            // End: the caret after it
        {"Newbie", {{SDLK_RIGHT}, {SDLK_BACKSPACE}}, "Newbi"},
        {"Newbie", {{SDLK_BACKSPACE}, {SDLK_UNKNOWN, "Al"}}, "Al"},          // the selection deleted
        {"Newbie", {{SDLK_END}, {SDLK_a, nullptr, KMOD_LCTRL}, {SDLK_UNKNOWN, "X"}}, "X"},  // Ctrl+A again
        {"", {{SDLK_UNKNOWN, "Ann"}}, "Ann"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TypeIntoInputBox(c.defaultText, c.typing), c.answer) << c.defaultText << " -> " << c.answer;
}

TEST_F(OnX, ADialogIsAsManyTimesLargerAsTheWindowItStandsOver) {
    int w1 = 0, h1 = 0, w4 = 0, h4 = 0;
    EXPECT_EQ(TypeIntoInputBox("Newbie", {}, &w1, &h1), "Newbie");
    form_->SetScale(4);
    DoEvents();
    EXPECT_EQ(TypeIntoInputBox("Newbie", {}, &w4, &h4), "Newbie");
    EXPECT_EQ(w1, 400);
    EXPECT_GT(h1, 100);
    EXPECT_EQ(w4, 4 * w1);
    EXPECT_EQ(h4, 4 * h1);
}
