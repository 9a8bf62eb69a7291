// A form: a top-level window of the windowing toolkit with child picture
// boxes (platform/picture_box.h), mouse and key events delivered by the one
// message queue of the process, its scale and full screen, and the layers
// painted over it.
//
// A form shows its boxes' images when it repaints, which happens only while
// messages are processed (platform/message_loop.h) or a modal dialog waits.
// Event handlers run only inside those calls.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/client_placement.h"
#include "platform/gdi.h"
#include "platform/user_types.h"

namespace vr {

class PictureBox;  // a form's child window (platform/picture_box.h)
class Drawing;     // a shown form's drawing layer (platform/drawing.h)

// Paints a layer over a form at each presentation: `frame` shows pictures over
// the window, into the rectangle (window pixels) of its target's client area.
using LayerPainter = std::function<void(Drawing& frame, int x, int y, int w, int h)>;

class Form {
public:
    Form(std::string caption, int clientWidth, int clientHeight, COLORREF backColor);
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND hWnd() const { return hwnd_; }
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    // Gives the client area a new size; the background fills what the boxes leave.
    void Resize(int clientWidth, int clientHeight);
    // Draws the client area n times larger (1 to kMaxScale) with sharp pixels;
    // kFitScale takes the largest factor whose window fits the desktop's usable
    // area when shown. Client pixels, events and the USER calls stay as at 1.
    static constexpr int kFitScale = 0;
    void SetScale(int n);
    // The factor the window is drawn at now (in desktop full screen, the fitting one).
    int Scale() const { return Placement().scale; }
    // Where the client area lies in the window now.
    ClientPlacement Placement() const;
    // Lets the user size the window by its edge, never below the client area
    // at 1: the client area is then drawn at the largest whole factor (up to
    // `largest`) that fits the window, centred on black. Off by default.
    void SetUserSizing(bool on, int largest = kMaxScale);

    // The window's icon: opaque where the mask is black (everywhere without a
    // mask); taken by the window when it is shown, at once when it is.
    void SetIcon(const Surface& image, const Surface& mask);

    PictureBox& AddPictureBox(const std::string& name, int left, int top, int width, int height, bool border,
                              bool visible);

    // Creates the real window, centred on the screen, not resizable; its first
    // activation is delivered by the next message processing. Throws
    // RuntimeError with SDL's reason when no window can be made.
    void Show();
    bool Shown() const;
    // Closes the window without running the unload handler.
    void Unload();

    // The whole client area as it would be shown (background and boxes).
    Surface Compose() const;
    // Writes the composition into 32-bit rows (pitch in bytes).
    void ComposeInto(uint32_t* pixels, int pitch) const;
    // Marks the boxes' images as changed: the next message processing presents.
    void Invalidate() { dirty_ = gdiDirty_ = true; }
    bool NeedsRepaint() const { return dirty_; }
    // Presents now: the boxes' images, then the layers over them.
    void Repaint();

    // The drawing layer of the shown window (empty before Show), shared with devices.
    std::shared_ptr<Drawing> GetDrawing() const;
    // Adds a layer painted over the client area of `target` (the form or one of
    // its boxes) at every presentation; answers its id for RemoveLayer.
    int AddLayer(HWND target, LayerPainter paint);
    void RemoveLayer(int id);
    // The client area of the form or one of its boxes, in the form's client pixels.
    bool ClientAreaOf(HWND target, RECT& area) const;
    // Reads back the client area as last presented (0x00RRGGBB).
    bool ReadPresented(Surface& out) const;
    // Switches the display to an exclusive full-screen mode of exactly w x h,
    // the window covering it and the client area w x h until LeaveFullScreen;
    // false with the reason when the display has no such mode.
    bool EnterFullScreen(int w, int h, std::string& why);
    // Fills the desktop with the window, keeping the display's mode: the client
    // area at the largest whole factor that fits, centred on black. Before Show,
    // the window opens that way. False with the reason when the display refuses.
    bool EnterDesktopFullScreen(std::string& why);
    bool InDesktopFullScreen() const { return desktopFull_; }
    // Leaves either full screen for the window it was.
    void LeaveFullScreen();
    // True once after Show: the first activation is due.
    bool TakePendingActivation() {
        bool due = activatePending_;
        activatePending_ = false;
        return due;
    }

    // The window system's number of the shown window (0 before Show).
    uint32_t NativeWindowId() const;
    // The display the window is on (0 before Show).
    int DisplayIndex() const;
    // The window system's side of the form (the platform's own files only).
    struct Native;
    Native& NativeSide() const { return *native_; }

    bool keyPreview = true;
    std::function<void()> onActivate;
    MouseHandler onMouseDown, onMouseUp, onMouseMove;
    KeyHandler onKeyDown, onKeyUp;
    // Runs when the user closes the window; set cancel non-zero to keep it.
    std::function<void(int& cancel)> onUnload;
    // A key (virtual-key code; 0: none) that toggles desktop full screen. The
    // form takes the key itself: its key handlers do not see it.
    int fullScreenKey = 0;
    // Run in the message processing after the user has sized the window to a
    // new windowed scale, or toggled full screen with fullScreenKey.
    std::function<void(int scale)> onUserScale;
    std::function<void(bool desktopFullScreen)> onUserFullScreen;
    // Runs when the window loses the keyboard focus to another window.
    std::function<void()> onDeactivate;

private:
    friend void DispatchEvent(const void* event);
    friend class PictureBox;
    PictureBox* BoxAt(int x, int y);
    void HandleMouse(int kind, int button, int x, int y);
    void UpdatePointerImage(int x, int y);

    std::string caption_;
    int clientWidth_, clientHeight_;
    COLORREF backColor_;
    HWND hwnd_;
    std::vector<std::unique_ptr<PictureBox>> boxes_;
    std::unique_ptr<Native> native_;  // the window, its drawing layer and the boxes' texture
    struct Layer {
        int id;
        HWND target;
        LayerPainter paint;
    };
    std::vector<Layer> layers_;
    int nextLayerId_ = 1;
    // Draws the boxes' images and the layers over whatever the drawing layer is aimed at.
    void DrawFrame(const ClientPlacement& at);
    // Where the client area lies in the window when it is not in full screen.
    ClientPlacement Windowed() const { return ClientPlacement{0, 0, windowScale_}; }
    // Gives the window the size of the client area at the windowed scale.
    void ApplyWindowSize();
    // Takes the largest windowed scale that fits the usable area with the frame, centred there, if it differs.
    void FitToDesktop();
    // What changed the client area's place: repaint, pick the pointer image again, clip again.
    void PlacementChanged();
    // The user has sized the window: the scale that fits it now.
    void UserResized();
    // The full-screen key: into desktop full screen, or back to the window.
    void ToggleFullScreenByKey();
    bool activatePending_ = false;
    bool dirty_ = true;
    bool gdiDirty_ = true;
    PictureBox* capture_ = nullptr;
    int captureButtons_ = 0;
    PictureBox* pointerBox_ = nullptr;
    int requestedScale_ = 1;  // as SetScale asked (kFitScale: decided when shown)
    int windowScale_ = 1;     // the scale of the window when not in full screen
    bool userSizing_ = false;
    int largestUserScale_ = kMaxScale;
    bool userSized_ = false;  // the window has the size the user gave it, not n times the client area
    Surface icon_;            // 0xAARRGGBB; empty: the window system's own
    void ApplyIcon();
    bool desktopFull_ = false;
    bool desktopFullByHand_ = false;  // no window manager: the platform covers the display itself
    bool exclusive_ = false;          // in a display mode of its own (EnterFullScreen)
    bool exclusiveByHand_ = false;
    struct Windowed {
        int clientW = 0, clientH = 0, x = 0, y = 0;  // what the exclusive mode gives back
        int fullW = 0, fullH = 0;                    // the mode's size
    } windowed_;
    // The layers placed at a presentation, kept so that presenting allocates nothing.
    struct Placed {
        const Layer* layer;
        RECT area;
    };
    std::vector<Placed> placed_;
};

}  // namespace vr
