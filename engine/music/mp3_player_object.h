#pragma once
#include "korva2d/korva2d.h"

namespace korva2d {

class Mp3PlayerObject final : public vr::com::DispatchObject<_MP3Player> {
public:
    Mp3PlayerObject();
    HRESULT LoadMP3(Text& FileName, VBool* result) override;
    HRESULT get_GetCurrentPosition(int32_t* result) override;
    HRESULT get_GetDuration(int32_t* result) override;
    HRESULT SetVolume(int32_t& sndVolume) override;
    HRESULT PlayMP3() override;
    HRESULT StopMP3(VBool& sndPause) override;
};

}  // namespace korva2d
