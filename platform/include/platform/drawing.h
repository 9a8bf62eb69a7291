// The drawing layer of a shown form: pictures held by the form's renderer
// (textures) drawn into target textures with scaling, rotation, colour and
// alpha, and shown over the window while the form presents. The engine's
// devices draw through it; the renderer itself stays inside the platform.
// Colours are 0xAARRGGBB. When the form's window closes the layer and its
// textures are gone: drawing then does nothing, and creating answers null.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/text_raster.h"
#include "platform/user_types.h"

namespace vr {

struct RendererHandle;  // the renderer itself
struct TextureHandle;   // the renderer's own texture
class Drawing;

// A picture on a form's renderer: one to draw, or a target to draw into.
class Texture {
public:
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The layer that holds it.
    const Drawing* Owner() const { return owner_.get(); }

private:
    friend class Drawing;
    Texture(std::shared_ptr<Drawing> owner, TextureHandle* handle, int width, int height)
        : owner_(std::move(owner)), handle_(handle), width_(width), height_(height) {}
    std::shared_ptr<Drawing> owner_;
    TextureHandle* handle_;
    int width_, height_;
};

struct FloatPoint {
    float x = 0, y = 0;
};
struct FloatRect {
    float x = 0, y = 0, w = 0, h = 0;
};

class Drawing : public std::enable_shared_from_this<Drawing> {
public:
    ~Drawing();
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;

    // False once the form's window has closed.
    bool Alive() const { return renderer_ != nullptr; }
    // The renderer's name ("software", "opengl", ...; "" when gone).
    std::string RendererName() const;
    // The largest width and height a texture may have.
    int MaxTextureSide() const;

    // A picture of w x h pixels (0xAARRGGBB, row by row), drawn blended by its
    // alpha with the nearest texel; null when the renderer cannot hold it.
    std::unique_ptr<Texture> CreatePicture(const uint32_t* pixels, int w, int h);
    // A target of w x h, opaque black, shown with the nearest texel; null when
    // the renderer cannot hold it.
    std::unique_ptr<Texture> CreateTarget(int w, int h);

    // Fills the whole target with a colour.
    void Clear(Texture& target, uint32_t color);
    // Fills rectangles of the target with a colour, alpha included (no blending).
    void Fill(Texture& target, const RECT* rects, int count, uint32_t color);
    // Copies the whole source over the whole target, alpha included.
    void Copy(Texture& target, const Texture& source);
    // Draws the part of a picture stretched over `at`, turned clockwise by
    // `degrees` about `pivot` (relative to `at`), mirrored as asked, the
    // texels times `color` (its alpha included); false when the renderer fails.
    bool Draw(Texture& target, const Texture& picture, const RECT& part, const FloatRect& at, double degrees,
              FloatPoint pivot, bool mirrorX, bool mirrorY, uint32_t color);
    // Draws a text raster at its place (left, top) in `color`; false when the
    // renderer fails. The raster keeps the texture made of it.
    bool DrawText(Texture& target, const TextRaster& text, uint32_t color);
    // The target's pixels (0xAARRGGBB, row by row); false when they cannot be read.
    bool Read(Texture& target, std::vector<uint32_t>& pixels);

    // Shows a picture stretched over window pixels (x, y, w, h) of the frame
    // the form presents now: for layer painters (platform/form.h); at any
    // other time it does nothing.
    void Show(const Texture& picture, int x, int y, int w, int h);

    // The platform's side (its window files only).
    struct Native;

private:
    friend struct Native;
    explicit Drawing(RendererHandle* renderer) : renderer_(renderer) {}
    // Makes the target the renderer's target if it is not.
    bool Aim(Texture& target);

    RendererHandle* renderer_;           // null once the window has closed
    bool presenting_ = false;            // the form is drawing a frame: Show draws
    TextureHandle* resume_ = nullptr;    // the target to aim at again after the frame
};

}  // namespace vr
