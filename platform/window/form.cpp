#include <SDL.h>

#include <algorithm>

#include "platform/codepage.h"
#include "platform/runtime_error.h"
#include "platform/window.h"
#include "window/window_registry.h"

namespace vr {

Form::Form(std::string caption, int clientWidth, int clientHeight, COLORREF backColor)
    : caption_(std::move(caption)),
      clientWidth_(clientWidth),
      clientHeight_(clientHeight),
      backColor_(backColor),
      hwnd_(detail::NewHandle(this, nullptr)) {
    detail::AllForms().push_back(this);
}

Form::~Form() {
    Unload();
    for (auto& b : boxes_) detail::DropHandle(b->hWnd());
    detail::DropHandle(hwnd_);
    auto& all = detail::AllForms();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

PictureBox& Form::AddPictureBox(const std::string& name, int left, int top, int width, int height, bool border,
                                bool visible) {
    boxes_.push_back(std::make_unique<PictureBox>(*this, name, left, top, width, height, border, visible));
    return *boxes_.back();
}

PictureBox* Form::FindBox(const std::string& name) {
    for (auto& b : boxes_)
        if (b->Name() == name) return b.get();
    return nullptr;
}

void Form::Show() {
    if (window_) return;
    EnsureVideo();
    window_ = SDL_CreateWindow(AnsiToUtf8(caption_).c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               clientWidth_, clientHeight_, SDL_WINDOW_SHOWN);
    if (!window_) throw RuntimeError(kErrInvalidCall, std::string("Cannot open the window: ") + SDL_GetError());
    unloaded_ = false;
    activatePending_ = true;
    dirty_ = true;
}

void Form::Unload() {
    if (window_) {
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
    unloaded_ = true;
    activatePending_ = false;
    capture_ = nullptr;
    pointerBox_ = nullptr;
}

uint32_t Form::NativeWindowId() const { return window_ ? SDL_GetWindowID(window_) : 0; }

Surface Form::Compose() const {
    Surface out(clientWidth_, clientHeight_, PixelFromColorref(backColor_));
    for (const auto& b : boxes_) {
        if (!b->Visible()) continue;
        int inset = 0;
        if (b->HasBorder()) {
            Surface frame(b->Width(), b->Height(), 0);
            BitBlt(out, b->Left(), b->Top(), frame.width, frame.height, frame, 0, 0, SRCCOPY);
            inset = 1;
        }
        const Surface& img = b->Image();
        BitBlt(out, b->Left() + inset, b->Top() + inset, img.width, img.height, img, 0, 0, SRCCOPY);
    }
    return out;
}

void Form::Repaint() {
    dirty_ = false;
    if (!window_) return;
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (!target) return;
    Surface composed = Compose();
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(composed.pixels.data(), composed.width, composed.height, 32,
                                                          composed.width * 4, SDL_PIXELFORMAT_XRGB8888);
    if (!src) return;
    SDL_BlitSurface(src, nullptr, target, nullptr);
    SDL_FreeSurface(src);
    SDL_UpdateWindowSurface(window_);
}

PictureBox* Form::BoxAt(int x, int y) {
    for (auto it = boxes_.rbegin(); it != boxes_.rend(); ++it) {
        PictureBox* b = it->get();
        if (b->Visible() && x >= b->Left() && x < b->Left() + b->Width() && y >= b->Top() &&
            y < b->Top() + b->Height())
            return b;
    }
    return nullptr;
}

void Form::UpdatePointerImage(int x, int y) {
    PictureBox* over = BoxAt(x, y);
    if (over == pointerBox_) return;
    pointerBox_ = over;
    if (over && over->pointer_ && over->pointer_->cursor) SDL_SetCursor(over->pointer_->cursor);
    else SDL_SetCursor(SDL_GetDefaultCursor());
}

}  // namespace vr
