// The MP3Player class: one music file at a time on a filter graph of its own
// (music/filter_graph.h), loaded relative to AppPath, played from the start,
// stopped or paused, with volume, position and length in seconds.
#pragma once
#include <memory>

#include "korva2d/korva2d.h"
#include "music/filter_graph.h"

namespace korva2d {

class Mp3PlayerObject final : public vr::com::DispatchObject<_MP3Player>, public _MP3Player2 {
public:
    Mp3PlayerObject();
    ~Mp3PlayerObject() override;
    // IUnknown of both interfaces: one object, one reference count.
    HRESULT QueryInterface(const vr::com::GUID& iid, void** object) override;
    uint32_t AddRef() override { return DispatchObject::AddRef(); }
    uint32_t Release() override { return DispatchObject::Release(); }
    HRESULT LoadMP3(Text& FileName, VBool* result) override;
    HRESULT get_GetCurrentPosition(int32_t* result) override;
    HRESULT get_GetDuration(int32_t* result) override;
    HRESULT SetVolume(int32_t& sndVolume) override;
    HRESULT PlayMP3() override;
    HRESULT StopMP3(VBool& sndPause) override;
    // _MP3Player2
    HRESULT LoopMP3() override;

private:
    // Stops the graph and lets go of every view of it that is held.
    void ReleaseGraph();
    // LoadMP3's steps after the release; false, with the reason, at the first one that fails.
    bool BuildGraph(const std::string& path, std::string& reason);
    // Plays from the beginning, once or looping.
    void PlayFromStart(bool loop);
    // Whole seconds of a position read; 0 when the read fails.
    static int32_t WholeSeconds(HRESULT hr, double seconds);

    std::shared_ptr<media::BasicAudio> GraphAudio;
    std::shared_ptr<media::MediaEvent> GraphEvents;
    std::shared_ptr<media::MediaControl> GraphControl;
    std::shared_ptr<media::MediaPosition> GraphPosition;
};

}  // namespace korva2d
