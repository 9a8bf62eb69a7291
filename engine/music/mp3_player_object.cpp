// The MP3Player class. Its media graph is not part of this version of the
// library: the class can be created, and every member answers E_NOTIMPL.
#include "music/mp3_player_object.h"

#include "core/server_counts.h"

namespace korva2d {

using vr::com::E_NOTIMPL;

Mp3PlayerObject::Mp3PlayerObject() : DispatchObject(ServerObjectCounts(), IID__MP3Player) {}

HRESULT Mp3PlayerObject::LoadMP3(Text&, VBool* result) {
    if (result) *result = 0;
    return E_NOTIMPL;
}
HRESULT Mp3PlayerObject::get_GetCurrentPosition(int32_t* result) {
    if (result) *result = 0;
    return E_NOTIMPL;
}
HRESULT Mp3PlayerObject::get_GetDuration(int32_t* result) {
    if (result) *result = 0;
    return E_NOTIMPL;
}
HRESULT Mp3PlayerObject::SetVolume(int32_t&) { return E_NOTIMPL; }
HRESULT Mp3PlayerObject::PlayMP3() { return E_NOTIMPL; }
HRESULT Mp3PlayerObject::StopMP3(VBool&) { return E_NOTIMPL; }

}  // namespace korva2d
