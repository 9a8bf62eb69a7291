// The texture store and sprite drawing: CreateTexture, CreateTextureEx, Draw, DrawEx.
#include "core/engine_object.h"
#include "core/library_values.h"
#include "core/store_slot.h"
#include "extra/mod_extra.h"
#include "graphics/argb.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"

namespace korva2d {

using vr::com::HResultFromCurrentException;
using vr::com::S_OK;

dx8::Direct3DTexture8* EngineObject::TextureAt(int32_t index) const { return StoreSlot(Textures, index).Get(); }

int32_t EngineObject::FindTexture(const Text& key) const {
    Text lower = vr::AnsiLower(key);
    for (int32_t i = 1; i <= TextureCount; ++i)
        if (StoreSlot(TextureKeys, i) == lower) return i;
    return 0;
}

vr::com::ComPtr<dx8::Direct3DTexture8> EngineObject::LoadTexture(const Text& fileName, int32_t transpColor) {
    if (transpColor == 0) return Need(D3DX).CreateTextureFromFile(D3DDevice, AppFile(fileName));
    return D3DX->CreateTextureFromFileEx(D3DDevice, AppFile(fileName), dx8::D3DX_DEFAULT, dx8::D3DX_DEFAULT,
                                         dx8::D3DX_DEFAULT, 0, dx8::D3DFMT_UNKNOWN, dx8::D3DPOOL_MANAGED,
                                         dx8::D3DX_FILTER_POINT, dx8::D3DX_FILTER_POINT, uint32_t(transpColor));
}

HRESULT EngineObject::CreateTexture(Text& KeyName, Text& FileName, int32_t& transpColor) {
    try {
        try {
            if (!AppFileExists(FileName)) return S_OK;
            Text key = vr::AnsiLower(KeyName);
            if (FindTexture(key)) {
                vr::MsgBox("'" + key + "' already exists!", vr::kMbOkOnly, "DirectX Error");
                return S_OK;
            }
            TextureCount = vr::Add32(TextureCount, 1);
            Textures.resize(size_t(TextureCount) + 1);
            TextureKeys.resize(size_t(TextureCount) + 1);
            TextureKeys[size_t(TextureCount)] = key;
            Textures[size_t(TextureCount)] = LoadTexture(FileName, transpColor);
        } catch (...) {
            LogError("Error in CreateTexture()");
        }
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::CreateTextureEx(TextureObject& DXTexture, Text& FileName, int32_t& transpColor) {
    try {
        try {
            if (!AppFileExists(FileName)) return S_OK;
            vr::com::ComPtr<dx8::Direct3DTexture8> texture = LoadTexture(FileName, transpColor);
            // The caller's variable takes the new reference and lets its old one go.
            if (DXTexture) DXTexture->Release();
            DXTexture = texture.Get();
            DXTexture->AddRef();
        } catch (...) {
            LogError("Error in CreateTexture()");
        }
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

void EngineObject::DrawSprite(dx8::Direct3DTexture8* texture, float X, float Y, float Width, float Height,
                              float RotationAng, int16_t AlphaTransp, float SrcX, float SrcY, float scaleWidth,
                              float scaleHeight) {
    SpriteVars v;
    v.Translation = {X, Y};
    v.SrcRect.Left = vr::CLng(SrcX);
    v.SrcRect.Top = vr::CLng(SrcY);
    v.SrcRect.Right = vr::CLng(double(SrcX) + double(Width));
    v.SrcRect.Bottom = vr::CLng(double(SrcY) + double(Height));
    if (RotationAng != 0) v.Rotation = -RotationAng * Lib().Rad;
    if (scaleWidth == 0) {
        v.Scaling = {1, 1};
    } else {
        v.Scaling.x = float(vr::CheckedDivide(scaleWidth, v.SrcRect.Right));
        v.Scaling.y = float(vr::CheckedDivide(scaleHeight, v.SrcRect.Bottom));
    }
    v.Center.x = float((double(v.SrcRect.Right) - SrcX) / 2.0 * v.Scaling.x);
    v.Center.y = float((double(v.SrcRect.Bottom) - SrcY) / 2.0 * v.Scaling.y);
    uint32_t colour = PackArgb(vr::CInt(255.0 / 100.0 * AlphaTransp), vr::CInt(AmbientRed), vr::CInt(AmbientGreen),
                               vr::CInt(AmbientBlue));
    vr::RECT src{v.SrcRect.Left, v.SrcRect.Top, v.SrcRect.Right, v.SrcRect.Bottom};
    Need(Sprite).Draw(texture, &src, {v.Scaling.x, v.Scaling.y}, {v.Center.x, v.Center.y}, v.Rotation,
                 {v.Translation.x, v.Translation.y}, colour);
}

HRESULT EngineObject::Draw(Text& KeyName, float& X, float& Y, float& Width, float& Height, float& RotationAng,
                           int16_t& AlphaTransp, float& SrcX, float& SrcY, float& scaleWidth, float& scaleHeight) {
    try {
        int32_t i = FindTexture(KeyName);
        if (i == 0) return S_OK;
        // An entry whose loading failed holds no texture: the sprite refuses it.
        DrawSprite(TextureAt(i), X, Y, Width, Height, RotationAng, AlphaTransp, SrcX, SrcY, scaleWidth, scaleHeight);
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::DrawEx(TextureObject& DXTexture, float& X, float& Y, float& Width, float& Height,
                             float& RotationAng, int16_t& AlphaTransp, float& SrcX, float& SrcY, float& scaleWidth,
                             float& scaleHeight) {
    // Every error is ignored: a texture that cannot be drawn draws nothing.
    try {
        DrawSprite(dx8::Direct3DTexture8::From(DXTexture), X, Y, Width, Height, RotationAng, AlphaTransp, SrcX, SrcY,
                   scaleWidth, scaleHeight);
    } catch (...) {
    }
    return S_OK;
}

}  // namespace korva2d
