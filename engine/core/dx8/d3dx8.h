// The D3DX 8 stand-in: error texts, sprites, texture loading and saving
// surfaces to files.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/dx8/direct3d8.h"
#include "platform/gdi.h"
#include "platform/runtime_error.h"
#include "platform/text_raster.h"

namespace korva2d::dx8 {

struct D3DXVECTOR2 {
    float x = 0, y = 0;
};

inline constexpr int32_t D3DX_DEFAULT = -1;
inline constexpr int32_t D3DX_FILTER_POINT = 2;
inline constexpr int32_t D3DXIFF_BMP = 0, D3DXIFF_PNG = 3;

// Draws rectangles of textures with scaling, rotation about a centre and
// translation, the texel colour times a draw colour, blended by source alpha.
class D3DXSprite {
public:
    explicit D3DXSprite(std::shared_ptr<Direct3DDevice8> device) : device_(std::move(device)) {}
    void Begin();
    void End();
    // A texel at (u, v) of the source rectangle lands at
    // rotate((u, v) * scaling about center by rotation) + translation.
    // A null source rectangle draws the whole texture.
    void Draw(Direct3DTexture8* texture, const vr::RECT* source, D3DXVECTOR2 scaling, D3DXVECTOR2 center,
              float rotation, D3DXVECTOR2 translation, uint32_t color);

private:
    std::shared_ptr<Direct3DDevice8> device_;
    bool inBatch_ = false;
};

// Windows text-format flags that DrawText honours (the others are ignored).
inline constexpr int32_t DT_LEFT = 0, DT_CENTER = 1, DT_RIGHT = 2, DT_VCENTER = 4, DT_BOTTOM = 8,
                         DT_WORDBREAK = 16, DT_SINGLELINE = 32, DT_NOCLIP = 256, DT_CALCRECT = 1024;

// A system font drawing Windows-1252 text into rectangles. Laid-out
// paragraphs are kept (in the platform's bounded cache of text rasters) so
// that the same text in the same rectangle is not laid out and rasterised
// again; the colour is applied at drawing.
class D3DXFont {
public:
    D3DXFont(std::shared_ptr<Direct3DDevice8> device, const vr::FontSpec& font);
    D3DXFont(const D3DXFont&) = delete;
    D3DXFont& operator=(const D3DXFont&) = delete;
    // Draws `text` inside `rect` with the format flags, clipped to it unless
    // DT_NOCLIP; answers the height of the text. With DT_CALCRECT it draws
    // nothing and sets `rect` to the text's extent (the width of the widest line,
    // the height of all lines).
    int32_t DrawText(const std::string& text, vr::RECT& rect, int32_t format, uint32_t color);
    // Paragraphs laid out so far (tests and the benchmark).
    int32_t LayoutCount() const { return layouts_; }

private:
    int32_t Measure(const std::string& text, vr::RECT& rect, int32_t format) const;
    // Lays out and rasterises a paragraph: the visible part of its lines, placed on the back buffer.
    vr::TextRaster LayOut(const std::string& text, const vr::RECT& rect, int32_t format);

    std::shared_ptr<Direct3DDevice8> device_;
    vr::FontSpec font_;
    int32_t layouts_ = 0;
};

class D3DX8 {
public:
    // A text for a failure number; a generic text for numbers it does not know.
    std::string GetErrorString(int32_t number) const;
    std::shared_ptr<D3DXSprite> CreateSprite(const std::shared_ptr<Direct3DDevice8>& device);
    // Loads a PNG, BMP, JPEG or TGA file as a texture of the picture's own size.
    vr::com::ComPtr<Direct3DTexture8> CreateTextureFromFile(const std::shared_ptr<Direct3DDevice8>& device,
                                                            const std::string& path);
    // The same with the loader's options; texels equal to colorKey (A8R8G8B8,
    // 0 for none) become transparent black.
    vr::com::ComPtr<Direct3DTexture8> CreateTextureFromFileEx(const std::shared_ptr<Direct3DDevice8>& device,
                                                              const std::string& path, int32_t width, int32_t height,
                                                              int32_t mipLevels, int32_t usage, int32_t format,
                                                              int32_t pool, int32_t filter, int32_t mipFilter,
                                                              uint32_t colorKey);
    // A font of a GDI font description (face, size in points, bold, italic).
    std::shared_ptr<D3DXFont> CreateFont(const std::shared_ptr<Direct3DDevice8>& device, const vr::FontSpec& font);
    // Writes the part `rect` of a surface as a BMP (or PNG) file of the
    // rectangle's size; what of it lies beyond the surface is black. The file
    // appears whole or not at all; a write that fails raises E_FAIL
    // naming the file and why (Fail with a detail).
    void SaveSurfaceToFile(const std::string& path, int32_t format, const Direct3DSurface8& surface,
                           const void* palette, const vr::RECT* rect);
};

}  // namespace korva2d::dx8
