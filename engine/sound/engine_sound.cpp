// Sound effects by key name: one DirectSound buffer per registered key.
#include <exception>

#include "core/engine_object.h"
#include "core/library_values.h"
#include "core/store_slot.h"
#include "extra/mod_extra.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/vbtypes.h"

namespace korva2d {

using vr::com::HResultFromCurrentException;
using vr::com::S_OK;

void EngineObject::Initilize_Soundcard() {
    try {
        if (!DX) throw vr::RuntimeError(91);
        DSEnum = DX->GetDSEnum();
        if (DSEnum->GetCount() >= 1) SoundAvailable = vr::kTrue;
        if (!vr::IsTrue(SoundAvailable)) return;
        std::string guid = DSEnum->GetGuid(1);
        DS = DX->DirectSoundCreate(guid);
        DS->SetCooperativeLevel(hWnd, dx8::DSSCL_NORMAL);
    } catch (...) {
        LogError("Error in Initilize_Soundcard()");
    }
}

HRESULT EngineObject::CreateSound(Text& sndName, Text& pFilename) {
    try {
        if (!vr::IsTrue(SoundAvailable)) return S_OK;
        try {
            if (!AppFileExists(pFilename)) return S_OK;
            dx8::DSBUFFERDESC desc;
            desc.lFlags = dx8::DSBCAPS_CTRLFREQUENCY | dx8::DSBCAPS_CTRLPAN | dx8::DSBCAPS_CTRLVOLUME;
            Text key = vr::AnsiLower(sndName);
            for (int32_t i = 1; i <= SoundCount; ++i) {
                if (StoreSlot(SoundNames, i) == key) {
                    vr::MsgBox("Error importing sound KeyName.\r\n'" + key + "' already exists!", vr::kMbOkOnly,
                               "DirectX Error");
                    return S_OK;
                }
            }
            SoundCount = vr::Add32(SoundCount, 1);
            SoundBuffers.resize(size_t(SoundCount) + 1);
            SoundNames.resize(size_t(SoundCount) + 1);
            SoundNames[SoundCount] = key;
            if (!DS) throw vr::RuntimeError(91);
            SoundBuffers[SoundCount] = DS->CreateSoundBufferFromFile(AppFile(pFilename), desc);
        } catch (...) {
            LogError("Error in CreateSound(" + AppFile(pFilename) + ")");
        }
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::SoundPlay(Text& sndName, VBool& sndLoop, int32_t& sndVolume, int32_t& sndPan,
                                int32_t& sndFrequency) {
    try {
        if (!vr::IsTrue(SoundAvailable)) return S_OK;
        std::exception_ptr failure;  // the last failure remembered during the search
        auto step = [&](auto&& f) {
            try {
                f();
            } catch (...) {
                failure = std::current_exception();
            }
        };
        Text key;
        step([&] { key = vr::AnsiLower(sndName); });
        for (int32_t i = 1; i <= SoundCount; ++i) {
            bool match = false;
            step([&] { match = StoreSlot(SoundNames, i) == key; });
            if (!match) continue;
            int32_t volume = -10000;
            step([&] { volume = vr::CLng(-10000.0 + double(sndVolume) * 100.0); });
            // Each step reads the slot again: after Korva2D_Unload it is gone (error 9), and
            // every step fails and is skipped.
            auto call = [&](auto&& f) {
                step([&] {
                    auto& buffer = StoreSlot(SoundBuffers, i);
                    if (!buffer) throw vr::RuntimeError(91);
                    f(*buffer);
                });
            };
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
            return S_OK;  // failures inside a found entry are not reported
        }
        if (failure) {
            try {
                std::rethrow_exception(failure);
            } catch (...) {
                LogError("Error in SoundPlay");
            }
        }
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT EngineObject::SoundStop(Text& sndName, VBool& sndPause) {
    try {
        if (!vr::IsTrue(SoundAvailable)) return S_OK;
        auto stop = [&](int32_t i) {
            auto& buffer = StoreSlot(SoundBuffers, i);
            if (!buffer) throw vr::RuntimeError(91);
            buffer->Stop();
            if (!vr::IsTrue(sndPause)) buffer->SetCurrentPosition(0);
        };
        if (!sndName.empty()) {
            Text key = vr::AnsiLower(sndName);
            for (int32_t i = 1; i <= SoundCount; ++i)
                if (StoreSlot(SoundNames, i) == key) {
                    stop(i);
                    return S_OK;
                }
            return S_OK;
        }
        for (int32_t i = 1; i <= SoundCount; ++i) stop(i);
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

}  // namespace korva2d
