// Keyboard and mouse snapshots: events pushed into the platform's queue reach
// GetKeyState and GetMouseState at the next RenderAll, as DirectInput would.
#include <SDL.h>
#include <gtest/gtest.h>

#include "core/dx8/direct_input8.h"
#include "core/library_values.h"
#include "engine_fixture.h"
#include "platform/cursor.h"
#include "platform/message_loop.h"
#include "platform/user_types.h"
#include "platform/window_rect.h"
#include "platform_testing/synthetic_input.h"

using namespace korva2d;
using namespace korva2d::calls;

namespace {

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        fx_ = std::make_unique<korva2d_test::EngineFixture>("input", 200, 120);
        ASSERT_EQ(Korva2D_Start(*fx_->engine, fx_->form->hWnd(), fx_->dir, 200, 120), -1) << fx_->LogText();
    }
    void TearDown() override { unsetenv("KORVA2D_DX8_FAIL"); }
    bool Key(int32_t k) {
        VBool r = 0;
        EXPECT_EQ(fx_->engine->GetKeyState(k, &r), 0);
        return r != 0;
    }
    void Push(SDL_Event e) { SDL_PushEvent(&e); }
    void Wheel(float notches) {
        SDL_Event e{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = fx_->form->NativeWindowId();
        e.wheel.preciseY = notches;
        e.wheel.y = int(notches);
        Push(e);
    }
    void Focus(bool gained) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = fx_->form->NativeWindowId();
        e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
        Push(e);
    }
    struct Mouse {
        int32_t x = 0, y = 0, wheel = 0;
        VBool b1 = 0, b2 = 0, b3 = 0, result = 1;
    };
    Mouse ReadMouse() {
        Mouse m;
        EXPECT_EQ(fx_->engine->GetMouseState(m.x, m.y, m.b1, m.b2, m.b3, m.wheel, &m.result), 0);
        return m;
    }
    std::unique_ptr<korva2d_test::EngineFixture> fx_;
};

}  // namespace

TEST(InputKeyCodes, FollowDirectInputsNumbering) {
    const std::pair<SDL_Scancode, int> known[] = {
        {SDL_SCANCODE_ESCAPE, 1},     {SDL_SCANCODE_1, 2},         {SDL_SCANCODE_0, 11},        {SDL_SCANCODE_BACKSPACE, 14},
        {SDL_SCANCODE_TAB, 15},       {SDL_SCANCODE_Q, 16},        {SDL_SCANCODE_P, 25},        {SDL_SCANCODE_RETURN, 28},
        {SDL_SCANCODE_LCTRL, 29},     {SDL_SCANCODE_A, 30},        {SDL_SCANCODE_L, 38},        {SDL_SCANCODE_LSHIFT, 42},
        {SDL_SCANCODE_Z, 44},         {SDL_SCANCODE_M, 50},        {SDL_SCANCODE_RSHIFT, 54},   {SDL_SCANCODE_KP_MULTIPLY, 55},
        {SDL_SCANCODE_LALT, 56},      {SDL_SCANCODE_SPACE, 57},    {SDL_SCANCODE_CAPSLOCK, 58}, {SDL_SCANCODE_F1, 59},
        {SDL_SCANCODE_F10, 68},       {SDL_SCANCODE_NUMLOCKCLEAR, 69}, {SDL_SCANCODE_KP_7, 71}, {SDL_SCANCODE_KP_MINUS, 74},
        {SDL_SCANCODE_KP_PLUS, 78},   {SDL_SCANCODE_KP_0, 82},     {SDL_SCANCODE_KP_PERIOD, 83}, {SDL_SCANCODE_F11, 87},
        {SDL_SCANCODE_F12, 88},       {SDL_SCANCODE_KP_ENTER, 156}, {SDL_SCANCODE_RCTRL, 157},  {SDL_SCANCODE_KP_DIVIDE, 181},
        {SDL_SCANCODE_RALT, 184},     {SDL_SCANCODE_PAUSE, 197},   {SDL_SCANCODE_HOME, 199},    {SDL_SCANCODE_UP, 200},
        {SDL_SCANCODE_PAGEUP, 201},   {SDL_SCANCODE_LEFT, 203},    {SDL_SCANCODE_RIGHT, 205},   {SDL_SCANCODE_END, 207},
        {SDL_SCANCODE_DOWN, 208},     {SDL_SCANCODE_PAGEDOWN, 209}, {SDL_SCANCODE_INSERT, 210}, {SDL_SCANCODE_DELETE, 211},
        {SDL_SCANCODE_LGUI, 219},     {SDL_SCANCODE_APPLICATION, 221},
    };
    for (const auto& [scancode, code] : known) EXPECT_EQ(dx8::KeyCodeOfScancode(scancode), code) << scancode;
    EXPECT_EQ(dx8::KeyCodeOfScancode(SDL_SCANCODE_UNKNOWN), 0);
}

TEST_F(Input, AKeyShowsFromTheNextRenderAllUntilARenderAllAfterItsRelease) {
    auto& e = *fx_->engine;
    std::vector<int> handled;
    fx_->form->onKeyDown = [&](int vk, int) { handled.push_back(vk); };
    vr::PostKey(*fx_->form, 32, true);  // the space bar
    EXPECT_FALSE(Key(57)) << "not before the next RenderAll";
    RenderAll(e);
    EXPECT_TRUE(Key(57));
    vr::PostKey(*fx_->form, 32, false);
    EXPECT_TRUE(Key(57));
    RenderAll(e);
    EXPECT_FALSE(Key(57));
    vr::PostKey(*fx_->form, 'A', true);
    vr::PostKey(*fx_->form, 'A', false);
    RenderAll(e);
    EXPECT_FALSE(Key(30)) << "a press and release between two frames does not show";
    vr::DoEvents();
    EXPECT_EQ(handled, std::vector<int>({32, 'A'})) << "the window's own handlers still get every key";

    int32_t k = 256;
    VBool r = 0;
    EXPECT_EQ(uint32_t(e.GetKeyState(k, &r)), 0x800A0009u);
    k = -1;
    EXPECT_EQ(uint32_t(e.GetKeyState(k, &r)), 0x800A0009u);
    EXPECT_FALSE(Key(255));
}

TEST_F(Input, ButtonsAndTheWheelComeFromTheSnapshot) {
    auto& e = *fx_->engine;
    vr::PostMouseButton(*fx_->form, vr::kRightButton, true, 5, 5);
    Wheel(1);
    Mouse m = ReadMouse();
    EXPECT_EQ(m.b2, 0) << "before the first poll";
    EXPECT_EQ(m.wheel, 0);
    EXPECT_EQ(m.result, 0) << "GetMouseState answers false";
    RenderAll(e);
    m = ReadMouse();
    EXPECT_EQ(m.b2, -1);
    EXPECT_EQ(m.b1, 0);
    EXPECT_EQ(m.wheel, 1);
    EXPECT_EQ(ReadMouse().wheel, 2) << "each call adds the snapshot's movement again";
    // Half a notch rounds to even: it adds 1 to an odd count and 0 to an even one.
    struct {
        float notches;
        int32_t before, after;
    } halves[] = {{0.5f, 2, 2}, {1.0f, 2, 3}, {0.5f, 3, 4}, {-2.0f, 4, 2}};
    for (const auto& h : halves) {
        Wheel(h.notches);
        RenderAll(e);
        EXPECT_EQ(ReadMouse().wheel, h.after) << h.notches << " from " << h.before;
    }
    // The window at screen (100, 50), the pointer at (110, 60).
    ASSERT_TRUE(vr::SetWindowPos(fx_->form->hWnd(), 0, 100, 50, 200, 120, 0));
    int32_t x = 110, y = 60;
    EXPECT_EQ(e.SetMousePos(x, y), 0);
    EXPECT_EQ(Lib().MouseX, 110) << "SetMousePos sets the values at once, with no window offset";
    EXPECT_EQ(Lib().MouseY, 60);
    m = ReadMouse();
    EXPECT_EQ(m.x, 10) << "GetMouseState answers relative to the window's outer rectangle";
    EXPECT_EQ(m.y, 10);
    vr::PostMouseMove(*fx_->form, 30, 40);
    vr::DoEvents();
    m = ReadMouse();
    EXPECT_EQ(m.x, 30);
    EXPECT_EQ(m.y, 40);
}

TEST_F(Input, AFocusLossKeepsTheOldSnapshotUntilTheFocusIsBack) {
    auto& e = *fx_->engine;
    vr::PostKey(*fx_->form, 32, true);
    RenderAll(e);
    ASSERT_TRUE(Key(57));
    Focus(false);
    vr::PostKey(*fx_->form, 32, false);
    RenderAll(e);
    EXPECT_TRUE(Key(57)) << "the read failed: the old snapshot stays";
    RenderAll(e);
    EXPECT_TRUE(Key(57)) << "acquiring again fails while the window is in the background";
    Focus(true);
    RenderAll(e);  // the read fails once more; the devices are acquired again
    RenderAll(e);
    EXPECT_FALSE(Key(57));
}

TEST_F(Input, SetUpFailuresAreLoggedAndTheStartGoesOn) {
    if (!VR_TEST_SEAMS) GTEST_SKIP() << "built without the engine's failure hooks (VR_TEST_SEAMS)";
    struct {
        const char* fail;
        const char* line;
        bool keyboard, mouse;
    } cases[] = {
        {"dinput", "Error in Initilize_DxInput() : E_FAIL: ", false, false},
        {"keyboard", "Error in Initilize_DxInput() : DIERR_DEVICENOTREG: ", false, false},
        {"mouse", "Error in Initilize_DxInput() : DIERR_DEVICENOTREG: ", true, false},
        {"acquire", "Error in Initilize_DxInput() : DIERR_OTHERAPPHASPRIO: ", true, false},
    };
    for (const auto& c : cases) {
        Korva2D_Unload(*fx_->engine);
        setenv("KORVA2D_DX8_FAIL", c.fail, 1);
        EXPECT_EQ(Korva2D_Start(*fx_->engine, fx_->form->hWnd(), fx_->dir, 200, 120), -1);
        unsetenv("KORVA2D_DX8_FAIL");
        EXPECT_EQ(fx_->Log().back().rfind(c.line, 0), 0u) << fx_->Log().back();
        const DeviceObjects& dx = fx_->Object().Devices();
        EXPECT_EQ(bool(dx.DIKeyboard), c.keyboard) << c.fail;
        EXPECT_EQ(bool(dx.DIMouse), c.mouse) << c.fail;
        vr::PostKey(*fx_->form, 32, true);
        RenderAll(*fx_->engine);
        RenderAll(*fx_->engine);
        vr::PostKey(*fx_->form, 32, false);
        RenderAll(*fx_->engine);
        EXPECT_EQ(ReadMouse().b1, 0);
    }
}

TEST(InputWithoutDevices, TheSoundOnlyStartAnswersFromAnEmptySnapshot) {
    korva2d_test::EngineFixture fx("input-sound-only", 200, 120);
    ASSERT_EQ(Korva2D_Start_OnlySound(*fx.engine, fx.form->hWnd(), fx.dir), -1);
    RenderAll(*fx.engine);
    vr::SetCursorPos(5, 7);  // the window is not shown: its rectangle starts at (0, 0)
    int32_t k = 57, x = 0, y = 0, wheel = 0;
    VBool down = 1, b1 = 1, b2 = 1, b3 = 1, result = 1;
    EXPECT_EQ(fx.engine->GetKeyState(k, &down), 0);
    EXPECT_EQ(down, 0);
    EXPECT_EQ(fx.engine->GetMouseState(x, y, b1, b2, b3, wheel, &result), 0);
    EXPECT_EQ(b1 | b2 | b3, 0);
    EXPECT_EQ(x, 5) << "the pointer is still reported";
    EXPECT_EQ(y, 7);
}
