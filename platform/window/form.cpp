#include <SDL.h>

#include <algorithm>

#include "platform/client_placement.h"
#include "platform/codepage.h"
#include "platform/form.h"
#include "platform/message_loop.h"
#include "platform/picture_box.h"
#include "platform/runtime_error.h"
#include "platform/user_types.h"
#include "window/display_session.h"
#include "window/native.h"
#include "window/window_registry.h"

namespace vr {

Form::Form(std::string caption, int clientWidth, int clientHeight, COLORREF backColor)
    : caption_(std::move(caption)),
      clientWidth_(clientWidth),
      clientHeight_(clientHeight),
      backColor_(backColor),
      hwnd_(detail::NewHandle(this, nullptr)),
      native_(std::make_unique<Native>()) {
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

bool Form::Shown() const { return native_->window != nullptr; }

std::shared_ptr<Drawing> Form::GetDrawing() const { return native_->drawing; }

void Form::Show() {
    if (Shown()) return;
    EnsureVideo();
    windowScale_ = requestedScale_;
    if (requestedScale_ == kFitScale) {
        // What fits the primary display's usable area; the window's frame is
        // known only once it is shown, and takes a step off if it must.
        SDL_Rect area{0, 0, clientWidth_, clientHeight_};
        SDL_GetDisplayUsableBounds(0, &area);
        windowScale_ = LargestFittingScale(clientWidth_, clientHeight_, 0, 0, area.w, area.h);
    }
    // Asked for before it was shown, full screen opens at once (no window flashes first).
    const std::string caption = AnsiToUtf8(caption_);
    const int w = Windowed().Scaled(clientWidth_), h = Windowed().Scaled(clientHeight_);
    SDL_Window*& window = native_->window;
    SDL_Rect display{};
    desktopFullByHand_ = desktopFull_ && !detail::WindowManagerRunning() && SDL_GetDisplayBounds(0, &display) == 0;
    if (desktopFullByHand_)
        window = SDL_CreateWindow(caption.c_str(), display.x, display.y, display.w, display.h,
                                  SDL_WINDOW_SHOWN | SDL_WINDOW_BORDERLESS);
    else if (desktopFull_)
        window = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                                  SDL_WINDOW_SHOWN | SDL_WINDOW_FULLSCREEN_DESKTOP);
    if (!window) {
        // Without full screen, a window as usual.
        desktopFull_ = desktopFullByHand_ = false;
        window = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                                  SDL_WINDOW_SHOWN | (userSizing_ ? SDL_WINDOW_RESIZABLE : 0));
    }
    if (!window) throw RuntimeError(kErrInvalidCall, std::string("Cannot open the window: ") + SDL_GetError());
    native_->drawing = Drawing::Native::ForWindow(window);
    if (!native_->drawing) {
        std::string why = SDL_GetError();
        SDL_DestroyWindow(window);
        window = nullptr;
        throw RuntimeError(kErrInvalidCall, "Cannot draw in the window: " + why);
    }
    activatePending_ = true;
    userSized_ = false;
    ApplyIcon();
    if (userSizing_) {
        SDL_SetWindowResizable(window, SDL_TRUE);
        SDL_SetWindowMinimumSize(window, clientWidth_, clientHeight_);
    }
    if (requestedScale_ == kFitScale) FitToDesktop();
    Invalidate();
}

void Form::Unload() {
    if (Shown()) {
        // The renderer takes its textures with it; devices see the layer gone.
        Drawing::Native::Close(*native_->drawing);
        native_->drawing.reset();
        native_->canvas = nullptr;
        SDL_DestroyWindow(native_->window);
        native_->window = nullptr;
    }
    activatePending_ = false;
    userSized_ = false;
    desktopFull_ = desktopFullByHand_ = false;
    if (exclusive_ && clientWidth_ == windowed_.fullW && clientHeight_ == windowed_.fullH) {
        clientWidth_ = windowed_.clientW;
        clientHeight_ = windowed_.clientH;
    }
    exclusive_ = exclusiveByHand_ = false;
    capture_ = nullptr;
    pointerBox_ = nullptr;
}

void Form::Resize(int clientWidth, int clientHeight) {
    if (clientWidth <= 0 || clientHeight <= 0) return;
    if (clientWidth == clientWidth_ && clientHeight == clientHeight_) return;
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
    ApplyWindowSize();
    // The largest fitting factor of the new size.
    if (Shown() && requestedScale_ == kFitScale && !exclusive_) FitToDesktop();
    if (native_->canvas) {
        SDL_DestroyTexture(native_->canvas);
        native_->canvas = nullptr;
    }
    Invalidate();
}

void Form::ApplyWindowSize() {
    if (!Shown() || desktopFull_ || exclusive_) return;
    userSized_ = false;
    if (userSizing_) SDL_SetWindowMinimumSize(native_->window, clientWidth_, clientHeight_);
    SDL_SetWindowSize(native_->window, Windowed().Scaled(clientWidth_), Windowed().Scaled(clientHeight_));
}

void Form::SetIcon(const Surface& image, const Surface& mask) {
    icon_ = image;
    for (int j = 0; j < icon_.height; ++j)
        for (int i = 0; i < icon_.width; ++i) {
            bool opaque = mask.Empty() || (i < mask.width && j < mask.height && (mask.At(i, j) & 0xFFFFFF) == 0);
            icon_.At(i, j) = (opaque ? 0xFF000000u : 0u) | (icon_.At(i, j) & 0xFFFFFF);
        }
    ApplyIcon();
}

void Form::ApplyIcon() {
    if (!Shown() || icon_.Empty()) return;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(icon_.pixels.data(), icon_.width, icon_.height, 32,
                                                        icon_.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    SDL_SetWindowIcon(native_->window, s);
    SDL_FreeSurface(s);
}

void Form::SetUserSizing(bool on, int largest) {
    userSizing_ = on;
    largestUserScale_ = std::clamp(largest, 1, kMaxScale);
    if (!Shown()) return;
    SDL_SetWindowResizable(native_->window, on ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowMinimumSize(native_->window, on ? clientWidth_ : 0, on ? clientHeight_ : 0);
    if (!on && userSized_) {
        ApplyWindowSize();
        PlacementChanged();
    }
}

void Form::UserResized() {
    SDL_Window* window = native_->window;
    if (!window || !userSizing_ || desktopFull_ || exclusive_ || (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN))
        return;
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    int n = CentredPlacement(clientWidth_, clientHeight_, w, h, largestUserScale_).scale;
    bool changed = n != windowScale_;
    windowScale_ = n;
    if (changed) requestedScale_ = n;
    userSized_ = w != Windowed().Scaled(clientWidth_) || h != Windowed().Scaled(clientHeight_);
    PlacementChanged();
    if (changed && onUserScale) onUserScale(n);
}

void Form::ToggleFullScreenByKey() {
    if (!Shown() || exclusive_) return;  // a device's own display mode is its to leave
    std::string why;
    if (desktopFull_) LeaveFullScreen();
    else if (!EnterDesktopFullScreen(why)) return;
    if (onUserFullScreen) onUserFullScreen(desktopFull_);
}

void Form::SetScale(int n) {
    requestedScale_ = n == kFitScale ? kFitScale : std::clamp(n, 1, kMaxScale);
    if (!Shown()) return;
    if (requestedScale_ == kFitScale) {
        FitToDesktop();
    } else {
        windowScale_ = requestedScale_;
        ApplyWindowSize();
    }
    PlacementChanged();
}

void Form::FitToDesktop() {
    SDL_Window* window = native_->window;
    SDL_Rect area;
    if (SDL_GetDisplayUsableBounds(DisplayIndex(), &area) != 0) return;
    int top = 0, left = 0, bottom = 0, right = 0;
    SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right);
    int fits = LargestFittingScale(clientWidth_, clientHeight_, left + right, top + bottom, area.w, area.h);
    if (fits == windowScale_) return;
    windowScale_ = fits;
    if (desktopFull_) return;
    ApplyWindowSize();
    int w = Windowed().Scaled(clientWidth_) + left + right, h = Windowed().Scaled(clientHeight_) + top + bottom;
    SDL_SetWindowPosition(window, area.x + std::max(0, (area.w - w) / 2) + left,
                          area.y + std::max(0, (area.h - h) / 2) + top);
}

ClientPlacement Form::Placement() const {
    SDL_Window* window = native_->window;
    if (!window) return Windowed();
    if (desktopFull_) {
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        return CentredPlacement(clientWidth_, clientHeight_, w, h);
    }
    // The exclusive mode of a device shows the client area as it is.
    if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) return ClientPlacement{};
    if (userSized_) {
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        return CentredPlacement(clientWidth_, clientHeight_, w, h, largestUserScale_);
    }
    return Windowed();
}

void Form::PlacementChanged() {
    dirty_ = true;
    pointerBox_ = nullptr;  // the pointer image goes with the scale
    detail::ReapplyPointerClip();
}

uint32_t Form::NativeWindowId() const { return Shown() ? SDL_GetWindowID(native_->window) : 0; }

int Form::DisplayIndex() const { return Shown() ? std::max(0, SDL_GetWindowDisplayIndex(native_->window)) : 0; }

SDL_Renderer* NativeRenderer(const Form& form) {
    auto drawing = form.GetDrawing();
    return drawing ? Drawing::Native::Renderer(*drawing) : nullptr;
}

void Form::ComposeInto(uint32_t* pixels, int pitch) const {
    uint32_t back = PixelFromColorref(backColor_);
    for (int y = 0; y < clientHeight_; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(pixels) + size_t(y) * pitch);
        std::fill(row, row + clientWidth_, back);
    }
    // Copies an image (or, for a border, black) into the rows, clipped to the client area.
    auto put = [&](int x0, int y0, const Surface& img, int w, int h, bool solid) {
        int xa = std::max(0, x0), ya = std::max(0, y0);
        int xb = std::min(clientWidth_, x0 + w), yb = std::min(clientHeight_, y0 + h);
        for (int y = ya; y < yb; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(pixels) + size_t(y) * pitch);
            if (solid) std::fill(row + xa, row + std::max(xa, xb), 0u);
            else if (xb > xa) std::copy_n(&img.pixels[size_t(y - y0) * img.width + (xa - x0)], xb - xa, row + xa);
        }
    };
    for (const auto& b : boxes_) {
        if (!b->Visible()) continue;
        int inset = 0;
        if (b->HasBorder()) {
            put(b->Left(), b->Top(), Surface(), b->Width(), b->Height(), true);
            inset = 1;
        }
        const Surface& img = b->Image();
        put(b->Left() + inset, b->Top() + inset, img, img.width, img.height, false);
    }
}

Surface Form::Compose() const {
    Surface out(clientWidth_, clientHeight_);
    ComposeInto(out.pixels.data(), clientWidth_ * 4);
    return out;
}

bool Form::ClientAreaOf(HWND target, RECT& area) const {
    if (target == hwnd_) {
        area = RECT{0, 0, clientWidth_, clientHeight_};
        return true;
    }
    for (const auto& b : boxes_) {
        if (b->hWnd() != target) continue;
        int inset = b->HasBorder() ? 1 : 0;
        area = RECT{b->Left() + inset, b->Top() + inset, b->Left() + inset + b->ScaleWidth(),
                    b->Top() + inset + b->ScaleHeight()};
        return true;
    }
    return false;
}

int Form::AddLayer(HWND target, LayerPainter paint) {
    int id = nextLayerId_++;
    layers_.push_back(Layer{id, target, std::move(paint)});
    dirty_ = true;
    return id;
}

void Form::RemoveLayer(int id) {
    layers_.erase(std::remove_if(layers_.begin(), layers_.end(), [id](const Layer& l) { return l.id == id; }),
                  layers_.end());
    dirty_ = true;
}

void Form::DrawFrame(const ClientPlacement& at) {
    Drawing& drawing = *native_->drawing;
    SDL_Renderer* r = Drawing::Native::Renderer(drawing);
    // The layers' places; one that covers the whole client area hides the boxes' images.
    placed_.clear();
    bool covered = false;
    for (const Layer& l : layers_) {
        RECT a;
        if (!ClientAreaOf(l.target, a)) continue;
        if (l.target != hwnd_) {
            auto t = detail::Lookup(l.target);
            if (t.box && !t.box->Visible()) continue;
        }
        placed_.push_back({&l, a});
        covered |= a.left <= 0 && a.top <= 0 && a.right >= clientWidth_ && a.bottom >= clientHeight_;
    }
    SDL_Texture*& canvas = native_->canvas;
    if (!covered) {
        if (!canvas) {
            canvas = SDL_CreateTexture(r, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_STREAMING, clientWidth_,
                                       clientHeight_);
            if (canvas) SDL_SetTextureScaleMode(canvas, SDL_ScaleModeNearest);
            gdiDirty_ = true;
        }
        if (canvas && gdiDirty_) {
            void* pixels = nullptr;
            int pitch = 0;
            if (SDL_LockTexture(canvas, nullptr, &pixels, &pitch) == 0) {
                ComposeInto(static_cast<uint32_t*>(pixels), pitch);
                SDL_UnlockTexture(canvas);
                gdiDirty_ = false;
            }
        }
        if (canvas) {
            // Unscaled, the client area fills the window (or the device's exclusive mode) as it always has.
            RECT area = at.ToWindow(RECT{0, 0, clientWidth_, clientHeight_});
            SDL_Rect dst{area.left, area.top, area.right - area.left, area.bottom - area.top};
            bool fills = at.scale == 1 && !desktopFull_ && !userSized_;
            SDL_RenderCopy(r, canvas, nullptr, fills ? nullptr : &dst);
        }
    }
    for (const Placed& p : placed_) {
        RECT area = at.ToWindow(p.area);
        p.layer->paint(drawing, area.left, area.top, area.right - area.left, area.bottom - area.top);
    }
}

void Form::Repaint() {
    dirty_ = false;
    if (!Shown()) return;
    Drawing& drawing = *native_->drawing;
    SDL_Renderer* r = Drawing::Native::Renderer(drawing);
    // A device may be drawing into its back buffer; present on the window and give it back.
    Drawing::Native::BeginFrame(drawing, nullptr);
    // The client area fills the window except in full screen or a window the
    // user sized, where the rest is black.
    if (desktopFull_ || userSized_ || (SDL_GetWindowFlags(native_->window) & SDL_WINDOW_FULLSCREEN)) {
        SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
        SDL_RenderClear(r);
    }
    DrawFrame(Placement());
    SDL_RenderPresent(r);
    Drawing::Native::EndFrame(drawing);
}

bool Form::ReadPresented(Surface& out) const {
    if (!Shown()) return false;
    Drawing& drawing = *native_->drawing;
    SDL_Renderer* r = Drawing::Native::Renderer(drawing);
    SDL_Texture* frame =
        SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, clientWidth_, clientHeight_);
    if (!frame) return false;
    Drawing::Native::BeginFrame(drawing, frame);
    // Keep the boxes' texture as it was presented: draw without re-composing.
    bool gdi = gdiDirty_;
    auto* self = const_cast<Form*>(this);
    self->gdiDirty_ = false;
    self->DrawFrame(ClientPlacement{});
    self->gdiDirty_ = gdi;
    out.Reset(clientWidth_, clientHeight_);
    bool ok = SDL_RenderReadPixels(r, nullptr, SDL_PIXELFORMAT_XRGB8888, out.pixels.data(), clientWidth_ * 4) == 0;
    Drawing::Native::EndFrame(drawing);
    SDL_DestroyTexture(frame);
    return ok;
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
    SDL_Cursor* image = over && over->pointer_ ? over->pointer_->CursorAt(Placement().scale) : nullptr;
    SDL_SetCursor(image ? image : SDL_GetDefaultCursor());
}

}  // namespace vr
