// The library as an in-process server: its three classes and the four
// exported entry points.
#include "core/engine_object.h"
#include "core/server_counts.h"
#include "extra/extra_object.h"
#include "music/mp3_player_object.h"

namespace korva2d {

namespace {
template <class T, class I>
vr::com::HRESULT Create(const vr::com::GUID& iid, void** object) {
    return vr::com::DispatchObject<I>::template CreateAs<T>(iid, object);
}

const vr::com::ClassEntry kClasses[] = {
    {CLSID_Engine, "Engine", &Create<EngineObject, _Engine>},
    {CLSID_Extra, "Extra", &Create<ExtraObject, _Extra>},
    {CLSID_MP3Player, "MP3Player", &Create<Mp3PlayerObject, _MP3Player>},
};

const vr::com::ServerDescription kServer = {"Korva2D_VR", LIBID_Korva2D_VR, kClasses, 3, &ServerObjectCounts()};
}  // namespace

}  // namespace korva2d

VR_COM_SERVER_ENTRY_POINTS(korva2d::kServer)
