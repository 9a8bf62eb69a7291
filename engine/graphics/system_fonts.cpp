// System fonts: CreateFont registers a font of an installed family under a
// key, DrawFont draws word-wrapped text with it inside a rectangle.
#include "core/engine_object.h"

namespace korva2d {

HRESULT EngineObject::CreateFont(Text& KeyName, Text& FontName, int16_t& FontSize, VBool& Boldovane, VBool& Italic) {
    return vr::ReturnErrorToCaller([&] {
        int32_t i = fonts_.Entries.Register(KeyName);
        if (i == 0) return;
        std::shared_ptr<StdFont>& desc = fonts_.FontDesc;
        if (!desc) desc = std::make_shared<StdFont>();
        desc->Name = FontName;
        desc->Size = FontSize;
        desc->Bold = vr::IsTrue(Boldovane);
        desc->Italic = vr::IsTrue(Italic);
        FontEntry& entry = fonts_.Entries.At(i);
        entry.InfoDesc = desc;
        entry.Info = Need(dx_.D3DX).CreateFont(dx_.D3DDevice, desc->hFont());
    });
}

HRESULT EngineObject::DrawFont(Text& KeyName, int16_t& X, int16_t& Y, int16_t& rectWidth, int16_t& rectHeight,
                               Text& fntText, int32_t& fntColor, int32_t& txtPosition) {
    return vr::ReturnErrorToCaller([&] {
        // A key whose record Korva2D_Unload released draws nothing, as an unknown key does.
        const FontEntry* entry = fonts_.Entries.Lookup(KeyName);
        if (!entry || !entry->InfoDesc) return;
        vr::RECT& rect = fonts_.TextRect;
        rect = vr::RECT{X, Y, vr::Add16(X, rectWidth), vr::Add16(Y, rectHeight)};
        Need(entry->Info).DrawText(fntText, rect, txtPosition | dx8::DT_WORDBREAK, uint32_t(fntColor));
    });
}

HRESULT EngineObject::FreeFont(const Text& KeyName, VBool* result) {
    return vr::ReturnErrorToCaller([&] {
        int32_t i = fonts_.Entries.Find(KeyName);
        if (i) fonts_.Entries.Free(i);
        if (result) *result = vr::ToBool16(i != 0);
    });
}

}  // namespace korva2d
