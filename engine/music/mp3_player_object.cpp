#include "music/mp3_player_object.h"

#include <cmath>

#include "core/server_counts.h"
#include "extra/mod_extra.h"
#include "platform/error_rules.h"
#include "platform/vbtypes.h"

namespace korva2d {

using vr::com::Failed;
using vr::com::S_OK;
using vr::com::Succeeded;

Mp3PlayerObject::Mp3PlayerObject() : DispatchObject(ServerObjectCounts(), IID__MP3Player) {}

Mp3PlayerObject::~Mp3PlayerObject() { ReleaseGraph(); }

void Mp3PlayerObject::ReleaseGraph() {
    if (GraphControl) GraphControl->Stop();
    GraphAudio.reset();
    GraphEvents.reset();
    GraphControl.reset();
    GraphPosition.reset();
}

bool Mp3PlayerObject::BuildGraph(const std::string& path, std::string& reason) {
    GraphControl = media::CreateFilterGraph();
    if (Failed(GraphControl->RenderFile(path))) {
        reason = GraphControl->RenderFailure();
        return false;
    }
    reason = "the media graph could not be set up";
    GraphAudio = media::QueryBasicAudio(GraphControl);
    if (!GraphAudio || Failed(GraphAudio->put_Volume(0)) || Failed(GraphAudio->put_Balance(0))) return false;
    GraphEvents = media::QueryMediaEvent(GraphControl);
    if (!GraphEvents) return false;
    GraphPosition = media::QueryMediaPosition(GraphControl);
    if (GraphPosition && Failed(GraphPosition->put_Rate(1.0))) return false;
    return GraphPosition && Succeeded(GraphPosition->put_CurrentPosition(0));
}

HRESULT Mp3PlayerObject::LoadMP3(Text& FileName, VBool* result) {
    return vr::ReturnErrorToCaller([&] {
        if (result) *result = vr::kFalse;
        ReleaseGraph();
        std::string path = AppFile(FileName);
        std::string reason;
        bool loaded = BuildGraph(path, reason);
        if (!loaded) AppendLog("Error loading mp3 file: " + path + " (" + reason + ")");
        if (result) *result = vr::ToBool16(loaded);
    });
}

int32_t Mp3PlayerObject::WholeSeconds(HRESULT hr, double seconds) {
    if (Failed(hr) || !std::isfinite(seconds)) return 0;
    try {
        return vr::CLng(seconds);
    } catch (const vr::RuntimeError&) {
        return 0;  // out of range: the read is skipped like a failed one
    }
}

HRESULT Mp3PlayerObject::get_GetCurrentPosition(int32_t* result) {
    if (!result) return vr::com::E_POINTER;
    *result = 0;
    double seconds = 0;
    if (GraphPosition) {
        HRESULT hr = GraphPosition->get_CurrentPosition(&seconds);
        *result = WholeSeconds(hr, seconds);
    }
    return S_OK;
}

HRESULT Mp3PlayerObject::get_GetDuration(int32_t* result) {
    if (!result) return vr::com::E_POINTER;
    *result = 0;
    double seconds = 0;
    if (GraphPosition) {
        HRESULT hr = GraphPosition->get_Duration(&seconds);
        *result = WholeSeconds(hr, seconds);
    }
    return S_OK;
}

HRESULT Mp3PlayerObject::SetVolume(int32_t& sndVolume) {
    if (!GraphControl) return S_OK;
    if (sndVolume >= 1) {
        if (sndVolume > 100) sndVolume = 100;
        if (GraphAudio) GraphAudio->put_Volume(100 * sndVolume - 10000);
    } else {
        VBool rewind = vr::kFalse;
        StopMP3(rewind);
    }
    return S_OK;
}

HRESULT Mp3PlayerObject::QueryInterface(const vr::com::GUID& iid, void** object) {
    if (object && iid == IID__MP3Player2) {
        *object = static_cast<_MP3Player2*>(this);
        AddRef();
        return S_OK;
    }
    return DispatchObject::QueryInterface(iid, object);
}

void Mp3PlayerObject::PlayFromStart(bool loop) {
    if (GraphControl) GraphControl->SetLooping(loop);
    if (GraphPosition) GraphPosition->put_CurrentPosition(0);
    if (GraphControl) GraphControl->Run();
}

HRESULT Mp3PlayerObject::PlayMP3() {
    PlayFromStart(false);
    return S_OK;
}

HRESULT Mp3PlayerObject::LoopMP3() {
    PlayFromStart(true);
    return S_OK;
}

HRESULT Mp3PlayerObject::StopMP3(VBool& sndPause) {
    if (GraphControl) GraphControl->Stop();
    if (!vr::IsTrue(sndPause) && GraphPosition) GraphPosition->put_CurrentPosition(0);
    return S_OK;
}

}  // namespace korva2d
