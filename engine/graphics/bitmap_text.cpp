// Text from the bitmap font: one sprite per character, its cell found in the
// font table, its colour its own.
#include "core/engine_object.h"
#include "core/library_values.h"
#include "graphics/argb.h"

namespace korva2d {

using vr::com::S_OK;

void EngineObject::DrawLetters(dx8::Direct3DTexture8* texture, const Text& text, float X, float Y, float ScaleSize,
                               float RotationAng, int16_t AlphaTransp, float cRed, float cGreen, float cBlue,
                               vr::OnError rule) {
    // Each statement is a step; a skipped one leaves its variable as it was.
    vr::Steps step(rule);
    const BitmapFont& font = letters_;
    int16_t n = 0;
    step([&] { n = vr::CheckedNarrow16(int64_t(text.size())); });
    vr::RECT src;
    dx8::D3DXVECTOR2 translation, scaling, center;
    float rotation = 0;
    uint32_t colour = 0;
    for (int16_t k = 1; k <= n; ++k) {
        int16_t g = 0;
        step([&] { g = font.GetLetterIndex(text.substr(size_t(k - 1), 1)); });
        step([&] { translation = {X + float(vr::Mul16(k - 1, font.LetterWidth)) * ScaleSize, Y}; });
        step([&] {
            const LetterSpecs& cell = font.LetterPos[size_t(g)];  // g is 0 to 120
            src = vr::RECT{cell.X, cell.Y, vr::Add16(cell.X, font.LetterWidth), vr::Add16(cell.Y, font.LetterHeight)};
        });
        step([&] { rotation = RotationAng != 0 ? -RotationAng * Lib().Rad : 0.0f; });
        step([&] {
            scaling = {ScaleSize, ScaleSize};
            center = {float(font.LetterWidth / 2.0 * ScaleSize), float(font.LetterHeight / 2.0 * ScaleSize)};
        });
        step([&] {
            colour = PackArgb(vr::CInt(255.0 / 100.0 * AlphaTransp), vr::CInt(cRed), vr::CInt(cGreen), vr::CInt(cBlue));
        });
        step([&] { Need(dx_.Sprite).Draw(texture, &src, scaling, center, rotation, translation, colour); });
    }
}

HRESULT EngineObject::DrawText(Text& TextureKeyName, Text& varText, float& X, float& Y, float& ScaleSize,
                               float& RotationAng, int16_t& AlphaTransp, float& cRed, float& cGreen, float& cBlue) {
    return vr::ReturnErrorToCaller([&] {
        int32_t i = textures_.Entries.Find(TextureKeyName);
        if (i == 0) return;
        DrawLetters(textures_.Entries.At(i).Get(), varText, X, Y, ScaleSize, RotationAng, AlphaTransp, cRed, cGreen,
                    cBlue, vr::OnError::kReturnToCaller);
    });
}

HRESULT EngineObject::DrawTextEx(TextureObject& DXTexture, Text& varText, float& X, float& Y, float& ScaleSize,
                                 float& RotationAng, int16_t& AlphaTransp, float& cRed, float& cGreen, float& cBlue) {
    DrawLetters(dx8::Direct3DTexture8::From(DXTexture), varText, X, Y, ScaleSize, RotationAng, AlphaTransp, cRed,
                cGreen, cBlue, vr::OnError::kResumeNext);
    return S_OK;
}

}  // namespace korva2d
