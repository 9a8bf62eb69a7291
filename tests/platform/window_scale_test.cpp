// Forms drawn larger than their client area: window size, events, the USER
// calls, the pointer clip, device layers and desktop full screen.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/client_placement.h"
#include "platform/cursor.h"
#include "platform/form.h"
#include "platform/message_loop.h"
#include "platform/picture_box.h"
#include "platform/screen_capture.h"
#include "platform/user_types.h"
#include "platform/window_rect.h"
#include "platform_testing/synthetic_input.h"
#include "window/native.h"

using namespace vr;

namespace {

struct Seen {
    float x, y;
};

class ScaledForm : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = std::make_unique<Form>("Scaled", 200, 150, RGB(38, 15, 130));
        box_ = &form_->AddPictureBox("Field", 40, 0, 102, 150, true, true);
        box_->onMouseMove = [this](int, int, float x, float y) { moves_.push_back({x, y}); };
    }
    void TearDown() override { ClipCursor(nullptr); }
    // A motion event where the window system reports it, in window pixels.
    void MoveInWindow(int x, int y) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = form_->NativeWindowId();
        e.motion.x = x;
        e.motion.y = y;
        SDL_PushEvent(&e);
        DoEvents();
    }
    SDL_Rect WindowClip() {
        const SDL_Rect* r = SDL_GetWindowMouseRect(NativeWindow(*form_));
        return r ? *r : SDL_Rect{};
    }
    // The game's clip of a box: its client rectangle moved to the screen, 3 pixels off the bottom.
    void ClipToBox() {
        RECT r;
        POINT p{0, 0};
        GetClientRect(box_->hWnd(), &r);
        ClientToScreen(box_->hWnd(), &p);
        OffsetRect(&r, p.x, p.y);
        r.bottom -= 3;
        ClipCursor(&r);
    }
    std::unique_ptr<Form> form_;
    PictureBox* box_ = nullptr;
    std::vector<Seen> moves_;
};

}  // namespace

TEST(FittingScale, LargestWholeFactorThatFitsWithTheFrame) {
    struct Case {
        int w, h, frameW, frameH, areaW, areaH, scale;
    } cases[] = {
        {468, 502, 0, 0, 3840, 2160, 4},    // a bare 4K screen
        {468, 502, 2, 37, 2560, 1400, 2},   // 1440p with a panel and a title bar
        {468, 502, 0, 0, 2000, 1506, 3},    // exactly three heights
        {468, 502, 0, 1, 2000, 1506, 2},    // one pixel short
        {468, 502, 0, 0, 800, 600, 1},      // smaller than the window: still 1
        {10, 10, 0, 0, 4000, 4000, kMaxScale},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LargestFittingScale(c.w, c.h, c.frameW, c.frameH, c.areaW, c.areaH), c.scale)
            << c.areaW << " x " << c.areaH;
}

TEST_F(ScaledForm, WindowIsNTimesTheClientAreaWhoseCoordinatesStay) {
    form_->SetScale(3);
    form_->Show();
    int w = 0, h = 0;
    SDL_GetWindowSize(NativeWindow(*form_), &w, &h);
    EXPECT_EQ(w, 600);
    EXPECT_EQ(h, 450);
    EXPECT_EQ(form_->ClientWidth(), 200);
    RECT r;
    ASSERT_TRUE(GetClientRect(box_->hWnd(), &r));
    EXPECT_EQ(r.right, 100);
    EXPECT_EQ(r.bottom, 148);
    // Every window pixel of a client pixel reports that client pixel.
    MoveInWindow(3 * 41, 3 * 1);
    MoveInWindow(3 * 41 + 2, 3 * 1 + 2);
    MoveInWindow(3 * 140 + 2, 3 * 148 + 2);
    ASSERT_EQ(moves_.size(), 3u);
    EXPECT_FLOAT_EQ(moves_[0].x, 0.0f);
    EXPECT_FLOAT_EQ(moves_[1].x, 0.0f);
    EXPECT_FLOAT_EQ(moves_[1].y, 0.0f);
    EXPECT_FLOAT_EQ(moves_[2].x, 99.0f);
    EXPECT_FLOAT_EQ(moves_[2].y, 147.0f);
    // Input posted in client pixels arrives as it would at scale 1.
    PostMouseMove(*form_, 91, 51);
    DoEvents();
    ASSERT_EQ(moves_.size(), 4u);
    EXPECT_FLOAT_EQ(moves_[3].x, 50.0f);
    EXPECT_FLOAT_EQ(moves_[3].y, 50.0f);
}

TEST_F(ScaledForm, ThePointerClipOfABoxCoversItsEnlargedPixels) {
    form_->SetScale(4);
    form_->Show();
    POINT form{0, 0}, box{0, 0};
    ClientToScreen(form_->hWnd(), &form);
    ClientToScreen(box_->hWnd(), &box);
    EXPECT_EQ(box.x - form.x, 41);  // client pixels, as at scale 1
    RECT outer;
    ASSERT_TRUE(GetWindowRect(form_->hWnd(), &outer));
    EXPECT_EQ(outer.right - outer.left, 200);
    ClipToBox();
    SDL_Rect clip = WindowClip();
    EXPECT_EQ(clip.x, 4 * 41);
    EXPECT_EQ(clip.y, 4 * 1);
    EXPECT_EQ(clip.w, 4 * 100);
    EXPECT_EQ(clip.h, 4 * 145);
    // Changing the scale moves the clip with the pixels.
    form_->SetScale(2);
    clip = WindowClip();
    EXPECT_EQ(clip.x, 2 * 41);
    EXPECT_EQ(clip.w, 2 * 100);
}

TEST_F(ScaledForm, DeviceLayersLandOnTheirEnlargedClientRectangle) {
    form_->SetScale(2);
    form_->Show();
    SDL_Rect painted{};
    form_->AddLayer(box_->hWnd(), [&](Drawing&, int x, int y, int w, int h) { painted = {x, y, w, h}; });
    form_->Repaint();
    EXPECT_EQ(painted.x, 2 * 41);
    EXPECT_EQ(painted.y, 2 * 1);
    EXPECT_EQ(painted.w, 2 * 100);
    EXPECT_EQ(painted.h, 2 * 148);
    // What was presented reads back at client size.
    Surface shown;
    ASSERT_TRUE(form_->ReadPresented(shown));
    EXPECT_EQ(shown.width, 200);
    EXPECT_EQ(shown.At(5, 5), PixelRGB(38, 15, 130));
}

TEST_F(ScaledForm, DesktopFullScreenCentresTheLargestFittingPictureAndLeavesForTheWindow) {
    form_->SetScale(2);
    std::string why;
    ASSERT_TRUE(form_->EnterDesktopFullScreen(why)) << why;  // asked before the window is shown
    form_->Show();
    int w = 0, h = 0;
    SDL_GetWindowSize(NativeWindow(*form_), &w, &h);
    int n = LargestFittingScale(200, 150, 0, 0, w, h);
    ClientPlacement at = form_->Placement();
    EXPECT_EQ(at.scale, n);
    EXPECT_EQ(at.x, (w - n * 200) / 2);
    EXPECT_EQ(at.y, (h - n * 150) / 2);
    MoveInWindow(at.x + n * 41, at.y + n * 1);
    MoveInWindow(at.x - 1, at.y + 10);  // on the black margin: outside the box
    ASSERT_EQ(moves_.size(), 1u);
    EXPECT_FLOAT_EQ(moves_[0].x, 0.0f);
    ClipToBox();
    EXPECT_EQ(WindowClip().x, at.x + n * 41);
    form_->LeaveFullScreen();
    SDL_GetWindowSize(NativeWindow(*form_), &w, &h);
    EXPECT_EQ(w, 400);
    EXPECT_EQ(form_->Placement().scale, 2);
    EXPECT_EQ(form_->Placement().x, 0);
    ASSERT_TRUE(form_->EnterDesktopFullScreen(why)) << why;  // and again, from the shown window
    EXPECT_EQ(form_->Placement().x, at.x);
    EXPECT_EQ(form_->Placement().scale, n);
}

TEST_F(ScaledForm, TheShownScreenEnlargesEachClientPixel) {
    form_->SetScale(3);
    form_->Show();
    box_->Image().At(0, 0) = PixelRGB(255, 0, 0);
    box_->Invalidate();
    DoEvents();
    Surface screen;
    std::string why;
    ASSERT_TRUE(CaptureScreen(screen, why)) << why;
    int x = 0, y = 0;
    SDL_GetWindowPosition(NativeWindow(*form_), &x, &y);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) EXPECT_EQ(screen.At(x + 3 * 41 + i, y + 3 + j), PixelRGB(255, 0, 0));
    EXPECT_EQ(screen.At(x + 3 * 42, y + 3), 0u);
    EXPECT_EQ(screen.At(x + 3 * 40 + 2, y + 3), 0u);  // the border
}

namespace {
// The window sized as by the user dragging its edge: the new size and the window system's note of it.
void DragTo(Form& form, int w, int h) {
    SDL_SetWindowSize(NativeWindow(form), w, h);
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_RESIZED;
    e.window.windowID = form.NativeWindowId();
    e.window.data1 = w;
    e.window.data2 = h;
    SDL_PushEvent(&e);
    DoEvents();
}
}  // namespace

TEST_F(ScaledForm, AWindowSizedByTheUserTakesTheLargestFittingScaleCentredOnBlack) {
    std::vector<int> told;
    form_->onUserScale = [&](int n) { told.push_back(n); };
    form_->SetUserSizing(true, 3);
    form_->Show();
    EXPECT_TRUE(SDL_GetWindowFlags(NativeWindow(*form_)) & SDL_WINDOW_RESIZABLE);
    struct Case {
        int w, h, scale, x, y;
    } cases[] = {
        {500, 400, 2, 50, 50},     // 2.5 x 2.67 times the client area
        {520, 300, 2, 60, 0},      // exactly two heights
        {399, 1000, 1, 99, 425},   // one pixel short of two widths
        {2000, 2000, 3, 700, 775}, // more than the largest the form takes
        {600, 450, 3, 0, 0},       // exactly three times: no margin
    };
    for (const Case& c : cases) {
        DragTo(*form_, c.w, c.h);
        ClientPlacement at = form_->Placement();
        EXPECT_EQ(at.scale, c.scale) << c.w << " x " << c.h;
        EXPECT_EQ(at.x, c.x) << c.w << " x " << c.h;
        EXPECT_EQ(at.y, c.y) << c.w << " x " << c.h;
    }
    EXPECT_EQ(told, (std::vector<int>{2, 1, 3}));  // only changes of scale are told
    DragTo(*form_, 500, 400);
    // The pointer and the clip follow the picture in its margins.
    MoveInWindow(50 + 2 * 41, 50 + 2 * 1);
    MoveInWindow(49, 60);  // on the black margin: outside the box
    ASSERT_EQ(moves_.size(), 1u);
    EXPECT_FLOAT_EQ(moves_[0].x, 0.0f);
    ClipToBox();
    EXPECT_EQ(WindowClip().x, 50 + 2 * 41);
    EXPECT_EQ(WindowClip().w, 2 * 100);
    // A scale set by the program gives the window its size again.
    form_->SetScale(1);
    int w = 0, h = 0;
    SDL_GetWindowSize(NativeWindow(*form_), &w, &h);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 150);
    EXPECT_EQ(form_->Placement().x, 0);
    EXPECT_EQ(told.size(), 4u);  // 2 again after 3; the program's own change is not told
}

TEST_F(ScaledForm, AWindowNotSizedByTheUserIgnoresSizeNotes) {
    form_->SetScale(2);
    form_->Show();
    EXPECT_FALSE(SDL_GetWindowFlags(NativeWindow(*form_)) & SDL_WINDOW_RESIZABLE);
    DragTo(*form_, 700, 700);
    EXPECT_EQ(form_->Placement().scale, 2);
    EXPECT_EQ(form_->Placement().x, 0);
}

TEST_F(ScaledForm, TheFullScreenKeyTogglesDesktopFullScreenWithoutReachingTheHandlers) {
    std::vector<bool> told;
    std::vector<int> keys;
    form_->fullScreenKey = 122;  // F11
    form_->onUserFullScreen = [&](bool full) { told.push_back(full); };
    form_->onKeyDown = [&](int vk, int) { keys.push_back(vk); };
    form_->SetScale(2);
    form_->Show();
    PostKey(*form_, 122, true);
    PostKey(*form_, 122, false);
    PostKey(*form_, 13, true);
    DoEvents();
    EXPECT_TRUE(form_->InDesktopFullScreen());
    PostKey(*form_, 122, true);
    DoEvents();
    EXPECT_FALSE(form_->InDesktopFullScreen());
    int w = 0, h = 0;
    SDL_GetWindowSize(NativeWindow(*form_), &w, &h);
    EXPECT_EQ(w, 400);
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    EXPECT_EQ(keys, std::vector<int>{13});
}
