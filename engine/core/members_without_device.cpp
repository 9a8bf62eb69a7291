// The text members, which this version of the library does not have yet:
// each answers E_NOTIMPL and changes nothing.
#include "core/engine_object.h"

namespace korva2d {

using vr::com::E_NOTIMPL;

HRESULT EngineObject::DrawText(Text&, Text&, float&, float&, float&, float&, int16_t&, float&, float&, float&) {
    return E_NOTIMPL;
}
HRESULT EngineObject::DrawTextEx(TextureObject&, Text&, float&, float&, float&, float&, int16_t&, float&, float&,
                                 float&) {
    return E_NOTIMPL;
}
HRESULT EngineObject::CreateFont(Text&, Text&, int16_t&, VBool&, VBool&) { return E_NOTIMPL; }
HRESULT EngineObject::DrawFont(Text&, int16_t&, int16_t&, int16_t&, int16_t&, Text&, int32_t&, int32_t&) {
    return E_NOTIMPL;
}

}  // namespace korva2d
