// The texture store and sprite drawing: CreateTexture, CreateTextureEx, Draw, DrawEx.
#include "core/engine_object.h"
#include "core/library_values.h"
#include "extra/mod_extra.h"
#include "graphics/argb.h"

namespace korva2d {

using vr::com::S_OK;

vr::com::ComPtr<dx8::Direct3DTexture8> EngineObject::LoadTexture(const Text& fileName, int32_t transpColor) {
    dx8::D3DX8& d3dx = Need(dx_.D3DX);
    if (transpColor == 0) return d3dx.CreateTextureFromFile(dx_.D3DDevice, AppFile(fileName));
    return d3dx.CreateTextureFromFileEx(dx_.D3DDevice, AppFile(fileName), dx8::D3DX_DEFAULT, dx8::D3DX_DEFAULT,
                                        dx8::D3DX_DEFAULT, 0, dx8::D3DFMT_UNKNOWN, dx8::D3DPOOL_MANAGED,
                                        dx8::D3DX_FILTER_POINT, dx8::D3DX_FILTER_POINT, uint32_t(transpColor));
}

HRESULT EngineObject::CreateTexture(Text& KeyName, Text& FileName, int32_t& transpColor) {
    return vr::ReturnErrorToCaller([&] {
        LogAndGoOn("Error in CreateTexture()", [&] {
            if (!AppFileExists(FileName)) return;
            int32_t i = textures_.Entries.Register(KeyName);
            if (i == 0) return;
            textures_.Entries.At(i) = LoadTexture(FileName, transpColor);
        });
    });
}

HRESULT EngineObject::CreateTextureEx(TextureObject& DXTexture, Text& FileName, int32_t& transpColor) {
    return vr::ReturnErrorToCaller([&] {
        LogAndGoOn("Error in CreateTexture()", [&] {
            if (!AppFileExists(FileName)) return;
            vr::com::ComPtr<dx8::Direct3DTexture8> texture = LoadTexture(FileName, transpColor);
            // The caller's variable takes the new reference and lets its old one go.
            if (DXTexture) DXTexture->Release();
            DXTexture = texture.Get();
            DXTexture->AddRef();
        });
    });
}

HRESULT EngineObject::TextureSize(const Text& KeyName, int32_t* ret_Width, int32_t* ret_Height) {
    return vr::ReturnErrorToCaller([&] {
        int32_t i = textures_.Entries.Find(KeyName);
        if (i == 0) throw vr::RuntimeError(vr::kErrSubscript, "No texture is registered as '" + KeyName + "'");
        const dx8::Direct3DTexture8* texture = textures_.Entries.At(i).Get();
        if (ret_Width) *ret_Width = texture ? texture->Width() : 0;
        if (ret_Height) *ret_Height = texture ? texture->Height() : 0;
    });
}

HRESULT EngineObject::FreeTexture(const Text& KeyName, VBool* result) {
    return vr::ReturnErrorToCaller([&] {
        int32_t i = textures_.Entries.Find(KeyName);
        if (i) textures_.Entries.Free(i);
        if (result) *result = vr::ToBool16(i != 0);
    });
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
    uint32_t colour = PackArgb(vr::CInt(255.0 / 100.0 * AlphaTransp), vr::CInt(textures_.AmbientRed),
                               vr::CInt(textures_.AmbientGreen), vr::CInt(textures_.AmbientBlue));
    vr::RECT src{v.SrcRect.Left, v.SrcRect.Top, v.SrcRect.Right, v.SrcRect.Bottom};
    Need(dx_.Sprite).Draw(texture, &src, {v.Scaling.x, v.Scaling.y}, {v.Center.x, v.Center.y}, v.Rotation,
                 {v.Translation.x, v.Translation.y}, colour);
}

HRESULT EngineObject::Draw(Text& KeyName, float& X, float& Y, float& Width, float& Height, float& RotationAng,
                           int16_t& AlphaTransp, float& SrcX, float& SrcY, float& scaleWidth, float& scaleHeight) {
    return vr::ReturnErrorToCaller([&] {
        int32_t i = textures_.Entries.Find(KeyName);
        if (i == 0) return;
        // An entry whose loading failed holds no texture: the sprite refuses it.
        DrawSprite(textures_.Entries.At(i).Get(), X, Y, Width, Height, RotationAng, AlphaTransp, SrcX, SrcY,
                   scaleWidth, scaleHeight);
    });
}

HRESULT EngineObject::DrawEx(TextureObject& DXTexture, float& X, float& Y, float& Width, float& Height,
                             float& RotationAng, int16_t& AlphaTransp, float& SrcX, float& SrcY, float& scaleWidth,
                             float& scaleHeight) {
    // Every failing step is skipped: a texture that cannot be drawn draws nothing.
    vr::Steps step(vr::OnError::kResumeNext);
    step([&] {
        DrawSprite(dx8::Direct3DTexture8::From(DXTexture), X, Y, Width, Height, RotationAng, AlphaTransp, SrcX, SrcY,
                   scaleWidth, scaleHeight);
    });
    return S_OK;
}

}  // namespace korva2d
