// Text from the bitmap font: one sprite per character, its cell found in the
// font table, its colour its own.
#include <string_view>

#include "core/engine_object.h"
#include "core/library_values.h"
#include "core/store_slot.h"
#include "graphics/argb.h"
#include "platform/codepage.h"

namespace korva2d {

using vr::com::HResultFromCurrentException;
using vr::com::S_OK;

namespace {
std::string_view TrimSpaces(std::string_view s) {
    size_t a = s.find_first_not_of(' ');
    if (a == std::string_view::npos) return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}
}  // namespace

int16_t EngineObject::GetLetterIndex(const Text& character) const {
    std::string_view c = TrimSpaces(character);
    for (int16_t i = 0; i <= 120; ++i)
        if (TrimSpaces(Signs[size_t(i)]) == c) return i;
    return 0;
}

void EngineObject::DrawLetters(dx8::Direct3DTexture8* texture, const Text& text, float X, float Y, float ScaleSize,
                               float RotationAng, int16_t AlphaTransp, float cRed, float cGreen, float cBlue,
                               bool skipErrors) {
    // Each statement is a step: with skipErrors a failing one is passed over
    // and its variable keeps what it held.
    auto step = [skipErrors](auto&& f) {
        if (!skipErrors) return f();
        try {
            f();
        } catch (...) {
        }
    };
    int16_t n = 0;
    step([&] { n = vr::CheckedNarrow16(int64_t(text.size())); });
    vr::RECT src;
    dx8::D3DXVECTOR2 translation, scaling, center;
    float rotation = 0;
    uint32_t colour = 0;
    for (int16_t k = 1; k <= n; ++k) {
        int16_t g = 0;
        step([&] { g = GetLetterIndex(text.substr(size_t(k - 1), 1)); });
        step([&] {
            translation = {X + float(vr::Mul16(k - 1, LetterWidth)) * ScaleSize, Y};
        });
        step([&] {
            const LetterSpecs& cell = StoreSlot(LetterPos, g);
            src = vr::RECT{cell.X, cell.Y, vr::Add16(cell.X, LetterWidth), vr::Add16(cell.Y, LetterHeight)};
        });
        step([&] { rotation = RotationAng != 0 ? -RotationAng * Lib().Rad : 0.0f; });
        step([&] {
            scaling = {ScaleSize, ScaleSize};
            center = {float(LetterWidth / 2.0 * ScaleSize), float(LetterHeight / 2.0 * ScaleSize)};
        });
        step([&] {
            colour = PackArgb(vr::CInt(255.0 / 100.0 * AlphaTransp), vr::CInt(cRed), vr::CInt(cGreen), vr::CInt(cBlue));
        });
        step([&] { Need(Sprite).Draw(texture, &src, scaling, center, rotation, translation, colour); });
    }
}

HRESULT EngineObject::DrawText(Text& TextureKeyName, Text& varText, float& X, float& Y, float& ScaleSize,
                               float& RotationAng, int16_t& AlphaTransp, float& cRed, float& cGreen, float& cBlue) {
    try {
        int32_t i = FindTexture(TextureKeyName);
        if (i == 0) return S_OK;
        DrawLetters(TextureAt(i), varText, X, Y, ScaleSize, RotationAng, AlphaTransp, cRed, cGreen, cBlue, false);
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::DrawTextEx(TextureObject& DXTexture, Text& varText, float& X, float& Y, float& ScaleSize,
                                 float& RotationAng, int16_t& AlphaTransp, float& cRed, float& cGreen, float& cBlue) {
    try {
        DrawLetters(dx8::Direct3DTexture8::From(DXTexture), varText, X, Y, ScaleSize, RotationAng, AlphaTransp, cRed,
                    cGreen, cBlue, true);
    } catch (...) {
    }
    return S_OK;
}

}  // namespace korva2d
