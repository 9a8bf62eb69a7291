#include <SDL.h>

#include "platform/client_placement.h"
#include "platform/form.h"
#include "platform/message_loop.h"
#include "platform/picture_box.h"
#include "platform/user_types.h"
#include "window/client_placement.h"
#include "window/window_registry.h"

namespace vr {

PictureBox::Pointer::~Pointer() {
    for (auto& c : cursors) SDL_FreeCursor(c.second);
}

SDL_Cursor* PictureBox::Pointer::CursorAt(int scale) {
    for (auto& c : cursors)
        if (c.first == scale) return c.second;
    // Opaque where the mask is black (everywhere without a mask), each pixel enlarged to a block.
    Surface big = detail::Enlarged(image, scale), holes = detail::Enlarged(mask, scale);
    for (int j = 0; j < big.height; ++j)
        for (int i = 0; i < big.width; ++i) {
            bool opaque = holes.Empty() || (i < holes.width && j < holes.height && (holes.At(i, j) & 0xFFFFFF) == 0);
            big.At(i, j) = (opaque ? 0xFF000000u : 0u) | (big.At(i, j) & 0xFFFFFF);
        }
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(big.pixels.data(), big.width, big.height, 32, big.width * 4,
                                                        SDL_PIXELFORMAT_ARGB8888);
    if (!s) return nullptr;
    // The hot spot stays on the middle of its enlarged pixel.
    POINT hot = ClientPlacement{0, 0, scale}.ToWindowMiddle(POINT{hotX, hotY});
    SDL_Cursor* cursor = SDL_CreateColorCursor(s, hot.x, hot.y);
    SDL_FreeSurface(s);
    if (cursor) cursors.emplace_back(scale, cursor);
    return cursor;
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
    auto p = std::make_shared<Pointer>();
    p->image = image;
    p->mask = mask;
    p->hotX = hotX;
    p->hotY = hotY;
    if (p->CursorAt(owner_.Scale())) pointer_ = p;
}

}  // namespace vr
