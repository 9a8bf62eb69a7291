#include <gtest/gtest.h>

#include <vector>

#include "platform/cursor.h"
#include "platform/form.h"
#include "platform/message_loop.h"
#include "platform/picture_box.h"
#include "platform/user_types.h"
#include "platform/virtual_keys.h"
#include "platform/window_rect.h"
#include "platform_testing/synthetic_input.h"

using namespace vr;

namespace {

struct Recorded {
    std::string who;
    int button, shift;
    float x, y;
};

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = std::make_unique<Form>("Test window", 468, 502, RGB(38, 15, 130));
        field_ = &form_->AddPictureBox("Field", 80, 0, 302, 502, true, true);
        hidden_ = &form_->AddPictureBox("Hidden", 0, 0, 20, 40, false, false);
        auto rec = [this](std::string who) {
            return [this, who](int b, int s, float x, float y) { events_.push_back({who, b, s, x, y}); };
        };
        field_->onMouseDown = rec("field down");
        field_->onMouseUp = rec("field up");
        field_->onMouseMove = rec("field move");
        form_->onMouseUp = rec("form up");
        form_->onKeyDown = [this](int k, int) { keys_.push_back(k); };
        form_->onKeyUp = [this](int k, int) { keys_.push_back(-k); };
        form_->onActivate = [this] { ++activations_; };
        form_->onDeactivate = [this] { ++deactivations_; };
        form_->Show();
    }
    std::unique_ptr<Form> form_;
    PictureBox* field_ = nullptr;
    PictureBox* hidden_ = nullptr;
    std::vector<Recorded> events_;
    std::vector<int> keys_;
    int activations_ = 0;
    int deactivations_ = 0;
};

}  // namespace

TEST_F(Window, BoxesHaveTheirDrawingAreaInsideTheBorder) {
    EXPECT_EQ(field_->ScaleWidth(), 300);
    EXPECT_EQ(field_->ScaleHeight(), 500);
    EXPECT_EQ(hidden_->ScaleWidth(), 20);
    RECT r;
    ASSERT_TRUE(GetClientRect(field_->hWnd(), &r));
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.bottom, 500);
    ASSERT_TRUE(GetClientRect(form_->hWnd(), &r));
    EXPECT_EQ(r.right, 468);
    EXPECT_FALSE(GetClientRect(12345, &r));
    POINT p{0, 0}, q{0, 0};
    ClientToScreen(form_->hWnd(), &p);
    ClientToScreen(field_->hWnd(), &q);
    EXPECT_EQ(q.x - p.x, 81);
    EXPECT_EQ(q.y - p.y, 1);
    OffsetRect(&r, 5, -5);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.bottom, 497);
}

TEST_F(Window, ClearingKeepsThePictureAndComposeShowsVisibleBoxesOnly) {
    Surface pic(10, 10, PixelRGB(0, 200, 0));
    field_->SetPicture(pic);
    field_->Print(50, 50, "Hello");
    BitBlt(field_->Image(), 100, 100, 5, 5, Surface(5, 5, PixelRGB(255, 0, 0)), 0, 0, SRCCOPY);
    field_->Cls();
    EXPECT_EQ(field_->Image().At(5, 5), PixelRGB(0, 200, 0));   // the picture stays
    EXPECT_EQ(field_->Image().At(100, 100), PixelRGB(0, 0, 0)); // drawn graphics go
    field_->ClearPicture();
    EXPECT_EQ(field_->Image().At(5, 5), PixelRGB(0, 0, 0));
    hidden_->SetPicture(Surface(20, 40, PixelRGB(9, 9, 9)));
    Surface shown = form_->Compose();
    EXPECT_EQ(shown.At(5, 5), PixelRGB(38, 15, 130));  // hidden box not shown
    EXPECT_EQ(shown.At(80, 0), 0u);                    // the border
    EXPECT_EQ(hidden_->Image().At(0, 0), PixelRGB(9, 9, 9));  // but it keeps its picture
}

TEST_F(Window, HandlersRunOnlyInsideThePumpWithBoxCoordinates) {
    PostMouseMove(*form_, 180, 250);
    PostMouseButton(*form_, kLeftButton, true, 181, 251);
    PostMouseButton(*form_, kLeftButton, false, 181, 251);
    PostMouseButton(*form_, kRightButton, false, 10, 10);  // outside the field: the form's handler
    PostKey(*form_, 13, true);
    PostKey(*form_, 85, false);
    PostFocusLoss(*form_);
    EXPECT_TRUE(events_.empty());
    EXPECT_EQ(activations_, 0);
    EXPECT_EQ(deactivations_, 0);
    DoEvents();
    EXPECT_EQ(activations_, 1);
    EXPECT_EQ(deactivations_, 1);
    ASSERT_EQ(events_.size(), 4u);
    EXPECT_EQ(events_[0].who, "field move");
    EXPECT_FLOAT_EQ(events_[0].x, 99.0f);
    EXPECT_FLOAT_EQ(events_[0].y, 249.0f);
    EXPECT_EQ(events_[1].who, "field down");
    EXPECT_EQ(events_[1].button, kLeftButton);
    EXPECT_FLOAT_EQ(events_[1].x, 100.0f);
    EXPECT_EQ(events_[2].who, "field up");
    EXPECT_EQ(events_[3].who, "form up");
    EXPECT_EQ(events_[3].button, kRightButton);
    EXPECT_FLOAT_EQ(events_[3].x, 10.0f);
    EXPECT_EQ(keys_, (std::vector<int>{13, -85}));
    DoEvents();
    EXPECT_EQ(activations_, 1);  // the first activation only
}

TEST_F(Window, APressedBoxKeepsTheMouseUntilRelease) {
    PostMouseButton(*form_, kLeftButton, true, 100, 100);
    PostMouseButton(*form_, kLeftButton, false, 10, 10);  // released outside the field
    ProcessPendingMessages();
    ASSERT_EQ(events_.size(), 2u);
    EXPECT_EQ(events_[1].who, "field up");
    EXPECT_FLOAT_EQ(events_[1].x, -71.0f);
}

TEST_F(Window, ClosingRunsTheUnloadHandlerWhichMayCancel) {
    int calls = 0;
    form_->onUnload = [&](int& cancel) { cancel = ++calls == 1; };
    PostClose(*form_);
    DoEvents();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(form_->Shown());
    PostClose(*form_);
    DoEvents();
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(form_->Shown());
}

TEST(VirtualKeys, MapToWindowsCodes) {
    EXPECT_EQ(VirtualKeyFromSdl(SdlKeyFromVirtualKey(27)), 27);
    EXPECT_EQ(VirtualKeyFromSdl(SdlKeyFromVirtualKey(13)), 13);
    EXPECT_EQ(VirtualKeyFromSdl(SdlKeyFromVirtualKey(85)), 85);
    EXPECT_EQ(VirtualKeyFromSdl('u'), 85);
    EXPECT_EQ(VirtualKeyFromSdl('7'), '7');
}

TEST(Cursor, DisplayCounterMovesByOneEachCall) {
    int start = ShowCursor(true) - 1;
    EXPECT_EQ(ShowCursor(false), start);
    EXPECT_EQ(ShowCursor(false), start - 1);
    EXPECT_EQ(ShowCursor(true), start);
    RECT clip{10, 20, 30, 40}, got;
    ClipCursor(&clip);
    EXPECT_TRUE(GetClipCursor(&got));
    EXPECT_EQ(got.right, 30);
    ClipCursor(nullptr);
    EXPECT_FALSE(GetClipCursor(&got));
}
