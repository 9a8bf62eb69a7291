// System fonts: CreateFont registers a font of an installed family under a
// key, DrawFont draws word-wrapped text with it inside a rectangle.
#include "core/engine_object.h"
#include "core/store_slot.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"

namespace korva2d {

using vr::com::HResultFromCurrentException;
using vr::com::S_OK;

int32_t EngineObject::FindFont(const Text& key) const {
    Text lower = vr::AnsiLower(key);
    for (int32_t i = 1; i <= FontCount; ++i)
        if (StoreSlot(FontKeys, i) == lower) return i;
    return 0;
}

HRESULT EngineObject::CreateFont(Text& KeyName, Text& FontName, int16_t& FontSize, VBool& Boldovane, VBool& Italic) {
    try {
        Text key = vr::AnsiLower(KeyName);
        if (FindFont(key)) {
            vr::MsgBox("Error importing fonts KeyName.\r\n'" + key + "' already exists!", vr::kMbOkOnly,
                       "DirectX Error");
            return S_OK;
        }
        FontCount = vr::Add32(FontCount, 1);
        Fonts.resize(size_t(FontCount) + 1);
        FontKeys.resize(size_t(FontCount) + 1);
        if (!FontDesc) FontDesc = std::make_shared<StdFont>();
        FontDesc->Name = FontName;
        FontDesc->Size = FontSize;
        FontDesc->Bold = vr::IsTrue(Boldovane);
        FontDesc->Italic = vr::IsTrue(Italic);
        FontEntry& entry = Fonts[size_t(FontCount)];
        FontKeys[size_t(FontCount)] = key;
        entry.InfoDesc = FontDesc;
        entry.Info = Need(D3DX).CreateFont(D3DDevice, FontDesc->hFont());
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::DrawFont(Text& KeyName, int16_t& X, int16_t& Y, int16_t& rectWidth, int16_t& rectHeight,
                               Text& fntText, int32_t& fntColor, int32_t& txtPosition) {
    try {
        int32_t i = FindFont(KeyName);
        // A key whose record Korva2D_Unload released draws nothing, as an unknown key does.
        if (i == 0 || size_t(i) >= Fonts.size() || !Fonts[size_t(i)].InfoDesc) return S_OK;
        TextRect = vr::RECT{X, Y, vr::Add16(X, rectWidth), vr::Add16(Y, rectHeight)};
        Need(Fonts[size_t(i)].Info).DrawText(fntText, TextRect, txtPosition | dx8::DT_WORDBREAK, uint32_t(fntColor));
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

}  // namespace korva2d
