// Windows of the windowing toolkit: a top-level form with child picture boxes
// that keep persistent images, mouse and key events delivered by the one
// message queue of the process, and the USER calls on windows and the pointer.
//
// Drawing goes into a box's image (its surface); a form shows its boxes'
// images when it repaints, which happens only while messages are processed:
// DoEvents, ProcessPendingMessages, or the wait of a modal dialog.
// Event handlers run only inside those calls.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi.h"

namespace vr {

using HWND = int32_t;
struct RECT {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct POINT {
    int32_t x = 0, y = 0;
};

// Mouse buttons (1 left, 2 right, 4 middle) and shift states (1 shift, 2 ctrl, 4 alt).
enum MouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };
enum ShiftState : int { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };

// Mouse handlers get the button, the shift state and the position in the
// receiving control's pixels (as fractions).
using MouseHandler = std::function<void(int button, int shift, float x, float y)>;
using KeyHandler = std::function<void(int keyCode, int shift)>;

class Form;

// Where a form's client area lies in its window's pixels and how large it is
// drawn: client pixel (cx, cy) covers the scale x scale window pixels from
// (x + scale * cx, y + scale * cy). Every conversion between client and window
// pixels goes through it.
struct ClientPlacement {
    int x = 0, y = 0, scale = 1;
    // A length of client pixels in window pixels.
    int Scaled(int length) const { return length * scale; }
    // The top-left window pixel of a client pixel.
    POINT ToWindow(POINT client) const { return POINT{x + client.x * scale, y + client.y * scale}; }
    // The middle window pixel of a client pixel (where a pointer put on it lands).
    POINT ToWindowMiddle(POINT client) const;
    // The window pixels of a client rectangle.
    RECT ToWindow(const RECT& client) const;
    // The client pixel a window pixel shows (rounded down, also left of and above the client area).
    POINT ToClient(POINT window) const;
};

// The largest whole factor (1 to kMaxScale, at least 1) at which a client area
// of w x h with a frame of frameW x frameH fits into an area of areaW x areaH.
inline constexpr int kMaxScale = 8;
int LargestFittingScale(int w, int h, int frameW, int frameH, int areaW, int areaH);
// A client area of w x h at the largest whole factor (up to `largest`) that
// fits an area of areaW x areaH, centred in it.
ClientPlacement CentredPlacement(int w, int h, int areaW, int areaH, int largest = kMaxScale);

class Drawing;  // a shown form's drawing layer (platform/drawing.h)

// Paints a layer over a form at each presentation: `frame` shows pictures over
// the window, into the rectangle (window pixels) of its target's client area.
using LayerPainter = std::function<void(Drawing& frame, int x, int y, int w, int h)>;

class PictureBox {
public:
    PictureBox(Form& owner, std::string name, int left, int top, int width, int height, bool border, bool visible);
    PictureBox(const PictureBox&) = delete;
    PictureBox& operator=(const PictureBox&) = delete;

    const std::string& Name() const { return name_; }
    HWND hWnd() const { return hwnd_; }
    Form& Owner() const { return owner_; }

    // Outer rectangle in the form's client area; the drawing area lies inside
    // the one-pixel border when there is one.
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool HasBorder() const { return border_; }
    int ScaleWidth() const { return image_.width; }
    int ScaleHeight() const { return image_.height; }
    void Move(int left, int top, int width, int height);

    bool Visible() const { return visible_; }
    void SetVisible(bool v);

    void SetBackColor(COLORREF c);
    COLORREF ForeColor() const { return foreColor_; }
    void SetForeColor(COLORREF c) { foreColor_ = c; }
    FontSpec& Font() { return font_; }

    // The picture: shown under the drawn graphics; cleared images keep it.
    const Surface& Picture() const { return picture_; }
    void SetPicture(Surface picture);
    void LoadPicture(const std::string& path);  // throws RuntimeError on failure
    void ClearPicture();                          // loads an empty picture

    // The persistent image: every drawing call goes here.
    Surface& Image() { return image_; }
    const Surface& Image() const { return image_; }
    // Clears drawn graphics and text; the picture stays.
    void Cls();
    // Marks the image as changed so that the next message processing repaints.
    void Invalidate();

    // One line of text at (x, y) in the box's font and text colour.
    void Print(int x, int y, const std::string& ansiText);

    // The pointer image shown while the pointer is over the box.
    void SetPointerImage(const Surface& image, const Surface& mask, int hotX, int hotY);

    MouseHandler onMouseDown, onMouseUp, onMouseMove;

private:
    friend class Form;
    void RebuildImage();

    Form& owner_;
    std::string name_;
    HWND hwnd_;
    int left_, top_, width_, height_;
    bool border_, visible_;
    COLORREF backColor_ = RGB(0, 0, 0);
    COLORREF foreColor_ = RGB(0, 0, 0);
    FontSpec font_;
    Surface picture_;
    Surface image_;
    struct Pointer;
    std::shared_ptr<Pointer> pointer_;
};

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

// The form and box a window handle names (both null for an unknown handle;
// box null for a form).
struct WindowOfHandle {
    Form* form = nullptr;
    PictureBox* box = nullptr;
};
WindowOfHandle LookupWindow(HWND hwnd);

// Reads the whole primary screen (0x00RRGGBB): the display server's screen
// where it can be read (X11), otherwise the shown forms as last presented at
// their places on black. False with the reason when neither works.
bool CaptureScreen(Surface& out, std::string& why);

// Processes every pending message once and repaints what changed.
void DoEvents();
// Processes every pending message of the thread (the frame limiter's wait).
void ProcessPendingMessages();
// Waits for and processes messages until every shown form is unloaded.
void RunMessageLoop();
// Ends the process at once with the given status.
[[noreturn]] void EndProgram(int status);

// Starts SDL's video (once), retrying a busy display for about a second; a
// program whose display later goes away ends with one line and status 1.
// Throws RuntimeError saying why when there is no usable display.
void EnsureVideo();
// The Windows virtual-key code of an SDL key code (0 when it has none).
int VirtualKeyFromSdl(int sdlKeycode);
// The SDL key code of a virtual-key code (tests and scripted input).
int SdlKeyFromVirtualKey(int vk);

// Queues input for a form as if the user had done it (tests, the pilot).
// Positions are in the form's client pixels.
void PostMouseMove(Form& form, int x, int y);
void PostMouseButton(Form& form, int button, bool down, int x, int y);
void PostKey(Form& form, int virtualKey, bool down);
void PostClose(Form& form);
void PostFocusLoss(Form& form);
// Runs a box's mouse handler (kind 0 move, 1 down, 2 up; position in the
// box's pixels) or a form's key handler as the message pump does, recorded
// while a recording runs: scripted input without a shown window.
void SendMouse(PictureBox& box, int kind, int button, int shift, int x, int y);
void SendKey(Form& form, bool down, int virtualKey, int shift);

// ---- Game controllers ----
// Game controllers steer the pointer (each opened as it is plugged in, before
// or after this call): the left stick and the D-pad move it at up to
// pixelsPerSecond client pixels a second (the stick's full tilt; the D-pad at
// half of it), inside the pointer clip; the south button (A) is the left mouse
// button, the east button (B) the right one, Start the Pause key and Back
// Escape. They reach the focused form as ordinary mouse and key events,
// through the message queue like any other input. Off: controllers are let go.
inline constexpr double kDefaultGamepadSpeed = 600;
void UseGamepads(bool on, double pixelsPerSecond = kDefaultGamepadSpeed);
// The number of controllers open now.
int OpenGamepads();

// A virtual game controller (SDL's virtual joystick), for tests and end-to-end
// checks only: attaching it is plugging it in, detaching unplugging it.
enum class PadButton { A, B, Back, Start, DpadUp, DpadDown, DpadLeft, DpadRight };
enum class PadAxis { LeftX, LeftY };
// Answers the new controller's number, or -1 with SDL's reason in why.
int AttachVirtualGamepad(std::string& why);
void SetVirtualGamepadAxis(int pad, PadAxis axis, int value);  // -32768 .. 32767
void SetVirtualGamepadButton(int pad, PadButton button, bool down);
void DetachVirtualGamepad(int pad);

// ---- USER calls ----
bool ClipCursor(const RECT* rect);
bool GetClipCursor(RECT* rect);
bool GetClientRect(HWND hwnd, RECT* rect);
bool ClientToScreen(HWND hwnd, POINT* point);
bool OffsetRect(RECT* rect, int dx, int dy);
bool GetWindowRect(HWND hwnd, RECT* rect);
inline constexpr HWND HWND_TOPMOST = -1;
inline constexpr uint32_t SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_SHOWWINDOW = 0x0040;
bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, uint32_t flags);
// Moves the display counter by one; the pointer shows while it is 0 or more.
int ShowCursor(bool show);
bool GetCursorPos(POINT* point);
bool SetCursorPos(int x, int y);
inline constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1;
int GetSystemMetrics(int index);

}  // namespace vr
