#include <SDL.h>

#include "platform/window.h"
#include "window/window_registry.h"

namespace vr {

PictureBox::Pointer::~Pointer() {
    if (cursor) SDL_FreeCursor(cursor);
}

PictureBox::PictureBox(Form& owner, std::string name, int left, int top, int width, int height, bool border,
                       bool visible)
    : owner_(owner),
      name_(std::move(name)),
      hwnd_(detail::NewHandle(&owner, this)),
      left_(left),
      top_(top),
      width_(width),
      height_(height),
      border_(border),
      visible_(visible) {
    RebuildImage();
}

void PictureBox::Move(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    RebuildImage();
}

void PictureBox::SetVisible(bool v) {
    visible_ = v;
    owner_.Invalidate();
}

void PictureBox::SetBackColor(COLORREF c) {
    backColor_ = c;
    Cls();
}

void PictureBox::SetPicture(Surface picture) {
    picture_ = std::move(picture);
    Cls();
}

void PictureBox::LoadPicture(const std::string& path) { SetPicture(LoadPictureFile(path)); }

void PictureBox::ClearPicture() { SetPicture(Surface()); }

void PictureBox::RebuildImage() {
    int b = border_ ? 1 : 0;
    image_.Reset(width_ - 2 * b, height_ - 2 * b);
    Cls();
}

void PictureBox::Cls() {
    image_.Fill(PixelFromColorref(backColor_));
    BitBlt(image_, 0, 0, picture_.width, picture_.height, picture_, 0, 0, SRCCOPY);
    Invalidate();
}

void PictureBox::Invalidate() { owner_.Invalidate(); }

void PictureBox::Print(int x, int y, const std::string& ansiText) {
    TextOut(image_, x, y, ansiText, font_, foreColor_);
    Invalidate();
}

void PictureBox::SetPointerImage(const Surface& image, const Surface& mask, int hotX, int hotY) {
    pointer_.reset();
    if (image.Empty()) return;
    EnsureVideo();
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    SDL_LockSurface(s);
    for (int j = 0; j < image.height; ++j) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + j * s->pitch);
        for (int i = 0; i < image.width; ++i) {
            bool opaque = mask.Empty() || (i < mask.width && j < mask.height && (mask.At(i, j) & 0xFFFFFF) == 0);
            row[i] = (opaque ? 0xFF000000u : 0u) | (image.At(i, j) & 0xFFFFFF);
        }
    }
    SDL_UnlockSurface(s);
    auto p = std::make_shared<Pointer>();
    p->cursor = SDL_CreateColorCursor(s, hotX, hotY);
    SDL_FreeSurface(s);
    if (p->cursor) pointer_ = p;
}

}  // namespace vr
