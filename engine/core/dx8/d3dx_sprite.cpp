// The sprite: one textured rectangle per draw on the device's back buffer.
#include <algorithm>
#include <cmath>

#include "core/dx8/d3dx8.h"

namespace korva2d::dx8 {

void D3DXSprite::Begin() {
    if (inBatch_) Fail(D3DERR_INVALIDCALL);
    inBatch_ = true;
}

void D3DXSprite::End() {
    if (!inBatch_) Fail(D3DERR_INVALIDCALL);
    inBatch_ = false;
}

void D3DXSprite::Draw(Direct3DTexture8* texture, const vr::RECT* source, D3DXVECTOR2 scaling, D3DXVECTOR2 center,
                      float rotation, D3DXVECTOR2 translation, uint32_t color) {
    if (!texture) Fail(D3DERR_INVALIDCALL);
    vr::Drawing* drawing = device_->Drawing();
    if (!drawing) return;  // a lost device draws nothing
    if (texture->Picture().Owner() != drawing) Fail(D3DERR_INVALIDCALL);
    vr::RECT src = source ? *source : vr::RECT{0, 0, texture->Width(), texture->Height()};
    // Texels outside the texture are transparent: draw only the part on it,
    // placed where it lies within the source rectangle.
    int left = std::max(src.left, 0), top = std::max(src.top, 0);
    int right = std::min(src.right, texture->Width()), bottom = std::min(src.bottom, texture->Height());
    if (right <= left || bottom <= top) return;
    float u0 = float(left - src.left) * scaling.x, u1 = float(right - src.left) * scaling.x;
    float v0 = float(top - src.top) * scaling.y, v1 = float(bottom - src.top) * scaling.y;
    vr::FloatRect dst{translation.x + std::min(u0, u1), translation.y + std::min(v0, v1), std::fabs(u1 - u0),
                      std::fabs(v1 - v0)};
    if (dst.w <= 0 || dst.h <= 0) return;
    vr::FloatPoint pivot{center.x - std::min(u0, u1), center.y - std::min(v0, v1)};
    // The layer turns clockwise on the screen for a positive angle, as the
    // sprite's rotation does (y grows downwards).
    double degrees = double(rotation) * 180.0 / M_PI;
    if (!drawing->Draw(device_->BackBuffer(), texture->Picture(), vr::RECT{left, top, right, bottom}, dst, degrees,
                       pivot, scaling.x < 0, scaling.y < 0, color))
        Fail(E_FAIL);
}

}  // namespace korva2d::dx8
