// Game controllers as pointer and keys, with SDL's virtual controller: plugged
// in while the form is open, its stick moves the pointer at the speed asked
// (inside the clip), its buttons come as mouse buttons and keys.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/cursor.h"
#include "platform/form.h"
#include "platform/gamepad.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/picture_box.h"
#include "platform/user_types.h"
#include "platform/window_rect.h"
#include "platform_testing/manual_clock.h"
#include "platform_testing/synthetic_input.h"
#include "platform_testing/virtual_gamepad.h"

using namespace vr;

namespace {

class Gamepad : public ::testing::Test {
protected:
    void SetUp() override {
        // The dummy display gives no window the focus, which SDL wants for controller events.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        UseManualClock(true, int64_t(5) * 1000000000);
        form_ = std::make_unique<Form>("Pad window", 468, 502, RGB(0, 0, 0));
        field_ = &form_->AddPictureBox("Field", 80, 0, 302, 502, true, true);
        field_->onMouseMove = [this](int, int, float x, float y) { moves_.push_back({int(x), int(y)}); };
        field_->onMouseDown = [this](int b, int, float, float) { buttons_.push_back(b); };
        field_->onMouseUp = [this](int b, int, float, float) { buttons_.push_back(-b); };
        form_->onKeyDown = [this](int k, int) { keys_.push_back(k); };
        form_->onKeyUp = [this](int k, int) { keys_.push_back(-k); };
        form_->Show();
        UseGamepads(true, 600);
        PostMouseMove(*form_, 231, 251);  // the pointer in the middle of the field's drawing area
        SetCursorPos(0, 0);
        POINT p{150, 250};
        ClientToScreen(field_->hWnd(), &p);
        SetCursorPos(p.x, p.y);
        DoEvents();
        moves_.clear();
    }
    void TearDown() override {
        if (pad_ > 0) DetachVirtualGamepad(pad_);
        DoEvents();
        UseGamepads(false);
        ClipCursor(nullptr);
        UseManualClock(false);
    }
    void Plug() {
        std::string why;
        pad_ = AttachVirtualGamepad(why);
        ASSERT_GT(pad_, 0) << why;
        DoEvents();
        ASSERT_EQ(OpenGamepads(), 1);
    }
    // Lets `ms` pass and processes the queue.
    void Wait(int ms) {
        AdvanceManualClock(int64_t(ms) * 1000000);
        DoEvents();
    }
    std::unique_ptr<Form> form_;
    PictureBox* field_ = nullptr;
    std::vector<POINT> moves_;
    std::vector<int> buttons_, keys_;
    int pad_ = -1;
};

}  // namespace

TEST_F(Gamepad, TheStickAndDpadMoveThePointerAtTheSpeedAskedInsideTheClip) {
    Plug();
    SetVirtualGamepadAxis(pad_, PadAxis::LeftX, 32767);
    DoEvents();
    moves_.clear();
    Wait(50);  // full tilt: 600 pixels a second
    ASSERT_FALSE(moves_.empty());
    EXPECT_EQ(moves_.back().x, 180);
    EXPECT_EQ(moves_.back().y, 250);
    SetVirtualGamepadAxis(pad_, PadAxis::LeftX, 3000);  // inside the dead zone: rest
    Wait(10);
    moves_.clear();
    Wait(50);
    EXPECT_TRUE(moves_.empty());
    SetVirtualGamepadAxis(pad_, PadAxis::LeftX, 0);
    SetVirtualGamepadButton(pad_, PadButton::DpadUp, true);  // the D-pad at half speed
    Wait(10);
    moves_.clear();
    Wait(100);
    ASSERT_FALSE(moves_.empty());
    EXPECT_EQ(moves_.back().y, 220);
    SetVirtualGamepadButton(pad_, PadButton::DpadUp, false);
    // Held in the clip: the field's drawing area.
    RECT r;
    GetClientRect(field_->hWnd(), &r);
    POINT o{0, 0};
    ClientToScreen(field_->hWnd(), &o);
    OffsetRect(&r, o.x, o.y);
    ClipCursor(&r);
    SetVirtualGamepadAxis(pad_, PadAxis::LeftX, -32768);
    for (int i = 0; i < 20; ++i) Wait(100);
    EXPECT_EQ(moves_.back().x, 0);
}

TEST_F(Gamepad, ButtonsAreMouseButtonsAndKeysAndAControllerPluggedInLaterWorksAtOnce) {
    Plug();
    DetachVirtualGamepad(pad_);
    pad_ = -1;
    DoEvents();
    EXPECT_EQ(OpenGamepads(), 0);
    Plug();  // plugged in again, mid-way
    for (PadButton b : {PadButton::A, PadButton::B, PadButton::Start, PadButton::Back}) {
        SetVirtualGamepadButton(pad_, b, true);  // the controller is read once per processing
        DoEvents();
        SetVirtualGamepadButton(pad_, b, false);
        DoEvents();
    }
    EXPECT_EQ(buttons_, (std::vector<int>{kLeftButton, -kLeftButton, kRightButton, -kRightButton}));
    EXPECT_EQ(keys_, (std::vector<int>{19, -19, 27, -27}));
}
