// Sound effects by key name: one DirectSound buffer per registered key.
#include "core/engine_object.h"
#include "core/library_values.h"
#include "extra/mod_extra.h"
#include "platform/vbtypes.h"

namespace korva2d {

void EngineObject::Initilize_Soundcard() {
    LogAndGoOn("Error in Initilize_Soundcard()", [&] {
        dx_.DSEnum = Need(dx_.DX).GetDSEnum();
        if (dx_.DSEnum->GetCount() >= 1) sounds_.SoundAvailable = vr::kTrue;
        if (!vr::IsTrue(sounds_.SoundAvailable)) return;
        std::string guid = dx_.DSEnum->GetGuid(1);
        dx_.DS = dx_.DX->DirectSoundCreate(guid);
        dx_.DS->SetCooperativeLevel(display_.hWnd, dx8::DSSCL_NORMAL);
    });
}

HRESULT EngineObject::CreateSound(Text& sndName, Text& pFilename) {
    return vr::ReturnErrorToCaller([&] {
        if (!vr::IsTrue(sounds_.SoundAvailable)) return;
        LogAndGoOn("Error in CreateSound(" + AppFile(pFilename) + ")", [&] {
            if (!AppFileExists(pFilename)) return;
            dx8::DSBUFFERDESC desc;
            desc.lFlags = dx8::DSBCAPS_CTRLFREQUENCY | dx8::DSBCAPS_CTRLPAN | dx8::DSBCAPS_CTRLVOLUME;
            int32_t i = sounds_.Buffers.Register(sndName);
            if (i == 0) return;
            sounds_.Buffers.At(i) = Need(dx_.DS).CreateSoundBufferFromFile(AppFile(pFilename), desc);
        });
    });
}

HRESULT EngineObject::SoundPlay(Text& sndName, VBool& sndLoop, int32_t& sndVolume, int32_t& sndPan,
                                int32_t& sndFrequency) {
    return vr::ReturnErrorToCaller([&] {
        if (!vr::IsTrue(sounds_.SoundAvailable)) return;
        vr::Steps step(vr::OnError::kResumeNext);
        int32_t i = 0;
        step([&] { i = sounds_.Buffers.Find(sndName); });
        if (i != 0) {
            int32_t volume = -10000;
            step([&] { volume = vr::CLng(-10000.0 + double(sndVolume) * 100.0); });
            // Each call reads the slot again: after Korva2D_Unload it is gone (error 9),
            // and every call fails and is skipped.
            auto call = [&](auto&& f) { step([&] { f(Need(sounds_.Buffers.At(i))); }); };
            call([&](auto& b) { b.SetVolume(volume); });
            call([&](auto& b) { b.SetPan(vr::CLng(double(sndPan) * 100.0)); });
            call([&](auto& b) { b.SetFrequency(vr::CLng(double(sndFrequency) * 1000.0)); });
            if (!vr::IsTrue(sndLoop) && volume > -10000) {
                call([&](auto& b) { b.SetCurrentPosition(0); });
                call([&](auto& b) { b.Play(0); });
            } else if (volume > -10000) {
                call([&](auto& b) { b.SetCurrentPosition(0); });
                call([&](auto& b) { b.Play(dx8::DSBPLAY_LOOPING); });
            }
            return;  // failures inside a found entry are not reported
        }
        if (step.Failed()) LogError("Error in SoundPlay", step.LastFailure());
    });
}

HRESULT EngineObject::SoundStop(Text& sndName, VBool& sndPause) {
    return vr::ReturnErrorToCaller([&] {
        if (!vr::IsTrue(sounds_.SoundAvailable)) return;
        auto stop = [&](int32_t i) {
            dx8::DirectSoundSecondaryBuffer8& buffer = Need(sounds_.Buffers.At(i));
            buffer.Stop();
            if (!vr::IsTrue(sndPause)) buffer.SetCurrentPosition(0);
        };
        if (!sndName.empty()) {
            if (int32_t i = sounds_.Buffers.Find(sndName)) stop(i);
            return;
        }
        for (int32_t i = 1; i <= sounds_.Buffers.Count(); ++i)
            if (sounds_.Buffers.Taken(i)) stop(i);  // a freed entry holds nothing to stop
    });
}

HRESULT EngineObject::FreeSound(const Text& KeyName, VBool* result) {
    return vr::ReturnErrorToCaller([&] {
        int32_t i = sounds_.Buffers.Find(KeyName);
        if (i) {
            // The mixer lets a playing buffer go only once it is stopped.
            if (auto* buffer = sounds_.Buffers.Lookup(KeyName); buffer && *buffer) (*buffer)->Stop();
            sounds_.Buffers.Free(i);
        }
        if (result) *result = vr::ToBool16(i != 0);
    });
}

}  // namespace korva2d
