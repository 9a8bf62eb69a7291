// The one message queue of the process: SDL's event queue, drained by
// DoEvents and ProcessPendingMessages, which dispatch to the forms' handlers.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "platform/dialogs.h"
#include "platform/form.h"
#include "platform/message_loop.h"
#include "platform/picture_box.h"
#include "platform/replay.h"
#include "platform/runtime_error.h"
#include "platform/user_types.h"
#include "platform/virtual_keys.h"
#include "platform/window_handles.h"
#include "platform_testing/synthetic_input.h"
#include "window/client_placement.h"
#include "window/display_session.h"
#include "window/gamepads.h"
#include "window/window_registry.h"

namespace vr {

void DispatchEvent(const void* event);

namespace {

enum MouseKind { kMove = 0, kDown = 1, kUp = 2 };

int ShiftFromMod(int mod) {
    int s = 0;
    if (mod & KMOD_SHIFT) s |= kShiftMask;
    if (mod & KMOD_CTRL) s |= kCtrlMask;
    if (mod & KMOD_ALT) s |= kAltMask;
    return s;
}

int ButtonFromSdl(int b) {
    switch (b) {
        case SDL_BUTTON_LEFT: return kLeftButton;
        case SDL_BUTTON_RIGHT: return kRightButton;
        case SDL_BUTTON_MIDDLE: return kMiddleButton;
        default: return 0;
    }
}

int ButtonsHeld() {
    uint32_t s = SDL_GetMouseState(nullptr, nullptr);
    int b = 0;
    if (s & SDL_BUTTON_LMASK) b |= kLeftButton;
    if (s & SDL_BUTTON_RMASK) b |= kRightButton;
    if (s & SDL_BUTTON_MMASK) b |= kMiddleButton;
    return b;
}

void RepaintForms(bool onlyDirty) {
    for (Form* f : detail::AllForms())
        if (f->Shown() && (!onlyDirty || f->NeedsRepaint())) f->Repaint();
}

void DeliverActivations() {
    // Copy: an activation handler may create forms or never return.
    auto forms = detail::AllForms();
    for (Form* f : forms) {
        if (f->Shown() && f->TakePendingActivation() && f->onActivate) f->onActivate();
    }
}

void CloseForm(Form* f) {
    int cancel = 0;
    if (f->onUnload) f->onUnload(cancel);
    if (!cancel) f->Unload();
}

// A replay names a window by the form's place among the forms and the
// window's handle counted from the form's, which a new process gives again.
int32_t TargetOfHandle(HWND hwnd) {
    WindowOfHandle w = LookupWindow(hwnd);
    auto& forms = detail::AllForms();
    for (size_t i = 0; i < forms.size(); ++i)
        if (forms[i] == w.form) return int32_t(i << 16) + (hwnd - w.form->hWnd());
    return -1;
}

HWND HandleOfTarget(int32_t target) {
    auto& forms = detail::AllForms();
    size_t i = size_t(target >> 16);
    if (target < 0 || i >= forms.size()) return 0;
    return forms[i]->hWnd() + (target & 0xFFFF);
}

// Playback: the recorded events at the head of the replay reach the handlers
// they reached when recorded, in their order.
void DeliverReplayed() {
    replay::seam::Event e;
    while (replay::seam::NextEvent(e)) {
        WindowOfHandle w = LookupWindow(HandleOfTarget(e.target));
        if (!w.form) continue;
        if (e.kind == replay::seam::kDeactivate) {
            if (w.form->onDeactivate) w.form->onDeactivate();
            continue;
        }
        if (e.kind == replay::seam::kKeyDown || e.kind == replay::seam::kKeyUp) {
            KeyHandler& h = e.kind == replay::seam::kKeyDown ? w.form->onKeyDown : w.form->onKeyUp;
            if (h) h(e.button, e.shift);
            continue;
        }
        int kind = e.kind == replay::seam::kMouseMove ? kMove : e.kind == replay::seam::kMouseDown ? kDown : kUp;
        MouseHandler* h = nullptr;
        if (w.box) h = kind == kMove ? &w.box->onMouseMove : kind == kDown ? &w.box->onMouseDown : &w.box->onMouseUp;
        else h = kind == kMove ? &w.form->onMouseMove : kind == kDown ? &w.form->onMouseDown : &w.form->onMouseUp;
        if (*h) (*h)(e.button, e.shift, float(e.x), float(e.y));
    }
}
const bool g_delivererSet = (replay::seam::SetDeliverer(&DeliverReplayed), true);

// Records a handler invocation while a recording runs.
void Note(replay::seam::EventKind kind, HWND target, int button, int shift, int x = 0, int y = 0) {
    if (replay::Recording()) replay::seam::NoteEvent({kind, TargetOfHandle(target), button, shift, x, y});
}

// Playback: the viewer's input does not reach the game; Escape asks to stop.
bool HeldByPlayback(const SDL_Event& e) {
    if (!replay::Playing()) return false;
    switch (e.type) {
        case SDL_KEYDOWN:
            if (VirtualKeyFromSdl(e.key.keysym.sym) == 27) replay::RequestStop();
            return true;
        case SDL_QUIT: replay::RequestStop(); return true;
        case SDL_WINDOWEVENT:
            // The viewer's focus belongs to the viewer: a recorded loss is played back.
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) return true;
            if (e.window.event != SDL_WINDOWEVENT_CLOSE) return false;
            replay::RequestStop();
            return true;
        case SDL_KEYUP:
        case SDL_MOUSEMOTION:
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: return true;
        default: return false;
    }
}

void ProcessQueue() {
    if (replay::Playing()) DeliverReplayed();
    // Before any window exists there is no queue to process.
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    detail::CheckDisplay();
    DeliverActivations();
    SDL_Event e;
    while (SDL_PollEvent(&e)) DispatchEvent(&e);
    // The controllers' stick motion comes as pointer motion, which is handled at once.
    detail::StepGamepadPointer();
    while (SDL_PollEvent(&e)) DispatchEvent(&e);
    // A form presents only what changed: a frame drawn before the limiter's
    // wait shows once, there, and not again in the pump after it.
    RepaintForms(true);
}

}  // namespace

void Form::HandleMouse(int kind, int button, int windowX, int windowY) {
    POINT client = Placement().ToClient(POINT{windowX, windowY});
    int x = client.x, y = client.y;
    int shift = ShiftFromMod(SDL_GetModState());
    PictureBox* target = capture_ ? capture_ : BoxAt(x, y);
    if (kind == kMove) {
        UpdatePointerImage(x, y);
        button = ButtonsHeld();
    } else if (kind == kDown) {
        capture_ = target;
        captureButtons_ |= button;
        SDL_CaptureMouse(SDL_TRUE);
    } else {
        captureButtons_ &= ~button;
        if (captureButtons_ == 0) {
            capture_ = nullptr;
            SDL_CaptureMouse(SDL_FALSE);
        }
    }
    if (target) {
        int inset = target->HasBorder() ? 1 : 0;
        float bx = float(x - target->Left() - inset), by = float(y - target->Top() - inset);
        MouseHandler& h = kind == kMove ? target->onMouseMove : kind == kDown ? target->onMouseDown : target->onMouseUp;
        if (!h) return;
        Note(replay::seam::EventKind(kind), target->hWnd(), button, shift, int(bx), int(by));
        h(button, shift, bx, by);
    } else {
        MouseHandler& h = kind == kMove ? onMouseMove : kind == kDown ? onMouseDown : onMouseUp;
        if (!h) return;
        Note(replay::seam::EventKind(kind), hwnd_, button, shift, x, y);
        h(button, shift, float(x), float(y));
    }
}

void DispatchEvent(const void* event) {
    const SDL_Event& e = *static_cast<const SDL_Event*>(event);
    if (HeldByPlayback(e)) return;
    switch (e.type) {
        case SDL_QUIT: {
            auto forms = detail::AllForms();
            for (Form* f : forms)
                if (f->Shown()) CloseForm(f);
            break;
        }
        case SDL_WINDOWEVENT: {
            Form* f = detail::FormOfWindowId(e.window.windowID);
            if (!f) break;
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) CloseForm(f);
            else if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SHOWN)
                f->Invalidate();
            else if (e.window.event == SDL_WINDOWEVENT_RESIZED)  // by the user or the window manager
                f->UserResized();
            else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || e.window.event == SDL_WINDOWEVENT_MOVED)
                f->PlacementChanged();
            else if (e.window.event == SDL_WINDOWEVENT_LEAVE)
                detail::HoldPointerInClip(*f, true, 0, 0);
            else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST && f->onDeactivate) {
                Note(replay::seam::kDeactivate, f->hWnd(), 0, 0);
                f->onDeactivate();
            }
            break;
        }
        case SDL_MOUSEMOTION: {
            Form* f = detail::FormOfWindowId(e.motion.windowID);
            if (!f) break;
            POINT o = detail::WindowOrigin(*f);
            detail::NotePointer(o.x + e.motion.x, o.y + e.motion.y);
            detail::HoldPointerInClip(*f, false, e.motion.x, e.motion.y);
            f->HandleMouse(kMove, 0, e.motion.x, e.motion.y);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            Form* f = detail::FormOfWindowId(e.button.windowID);
            int b = ButtonFromSdl(e.button.button);
            if (f && b) f->HandleMouse(e.type == SDL_MOUSEBUTTONDOWN ? kDown : kUp, b, e.button.x, e.button.y);
            break;
        }
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED:
        case SDL_CONTROLLERAXISMOTION:
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: detail::HandleGamepadEvent(e); break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            Form* f = detail::FormOfWindowId(e.key.windowID);
            if (!f) break;
            int vk = VirtualKeyFromSdl(e.key.keysym.sym);
            if (!vk) break;
            if (vk == f->fullScreenKey) {
                if (e.type == SDL_KEYDOWN && !e.key.repeat) f->ToggleFullScreenByKey();
                break;
            }
            int shift = ShiftFromMod(e.key.keysym.mod);
            KeyHandler& h = e.type == SDL_KEYDOWN ? f->onKeyDown : f->onKeyUp;
            if (!h) break;
            Note(e.type == SDL_KEYDOWN ? replay::seam::kKeyDown : replay::seam::kKeyUp, f->hWnd(), vk, shift);
            h(vk, shift);
            break;
        }
        default: break;
    }
}

void DoEvents() { ProcessQueue(); }

void ProcessPendingMessages() { ProcessQueue(); }

void RunMessageLoop() {
    EnsureVideo();
    for (;;) {
        bool any = false;
        for (Form* f : detail::AllForms()) any |= f->Shown();
        if (!any) return;
        detail::CheckDisplay();
        DeliverActivations();
        SDL_Event e;
        if (SDL_WaitEventTimeout(&e, 50)) {
            DispatchEvent(&e);
            while (SDL_PollEvent(&e)) DispatchEvent(&e);
        }
        detail::StepGamepadPointer();
        while (SDL_PollEvent(&e)) DispatchEvent(&e);
        RepaintForms(true);
    }
}

void EndProgram(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

void EnsureVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // The software renderer writes straight into the window system's image of
    // the window, instead of SDL passing every frame through an OpenGL texture
    // (on a machine without a graphics card that costs milliseconds a frame).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    detail::StartVideo();
    SetModalIdleHook([] {
        detail::CheckDisplay();
        RepaintForms(true);
    });
}

void PostMouseMove(Form& form, int x, int y) {
    POINT w = form.Placement().ToWindow(POINT{x, y});
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = form.NativeWindowId();
    e.motion.x = w.x;
    e.motion.y = w.y;
    SDL_PushEvent(&e);
}

void PostMouseButton(Form& form, int button, bool down, int x, int y) {
    POINT w = form.Placement().ToWindow(POINT{x, y});
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = form.NativeWindowId();
    e.button.button = button == kRightButton ? SDL_BUTTON_RIGHT : button == kMiddleButton ? SDL_BUTTON_MIDDLE : SDL_BUTTON_LEFT;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = w.x;
    e.button.y = w.y;
    SDL_PushEvent(&e);
}

void PostKey(Form& form, int virtualKey, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = form.NativeWindowId();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = SdlKeyFromVirtualKey(virtualKey);
    e.key.keysym.scancode = SDL_GetScancodeFromKey(e.key.keysym.sym);
    SDL_PushEvent(&e);
}

void SendMouse(PictureBox& box, int kind, int button, int shift, int x, int y) {
    MouseHandler& h = kind == kMove ? box.onMouseMove : kind == kDown ? box.onMouseDown : box.onMouseUp;
    if (!h) return;
    Note(replay::seam::EventKind(kind), box.hWnd(), button, shift, x, y);
    h(button, shift, float(x), float(y));
}

void SendKey(Form& form, bool down, int virtualKey, int shift) {
    KeyHandler& h = down ? form.onKeyDown : form.onKeyUp;
    if (!h) return;
    Note(down ? replay::seam::kKeyDown : replay::seam::kKeyUp, form.hWnd(), virtualKey, shift);
    h(virtualKey, shift);
}

namespace {
void PostWindowEvent(Form& form, uint8_t event) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = event;
    e.window.windowID = form.NativeWindowId();
    SDL_PushEvent(&e);
}
}  // namespace

void PostClose(Form& form) { PostWindowEvent(form, SDL_WINDOWEVENT_CLOSE); }

void PostFocusLoss(Form& form) { PostWindowEvent(form, SDL_WINDOWEVENT_FOCUS_LOST); }

}  // namespace vr
