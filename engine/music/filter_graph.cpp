#include "music/filter_graph.h"

#include <algorithm>
#include <cmath>

#include "platform/audio.h"
#include "platform/audio_stream.h"
#include "platform/kernel.h"

namespace korva2d::media {

using vr::com::E_INVALIDARG;
using vr::com::E_POINTER;
using vr::com::S_FALSE;
using vr::com::S_OK;
using vr::audio::Device;
using vr::audio::StreamVoice;

namespace {

class FilterGraph final : public MediaControl, public BasicAudio, public MediaEvent, public MediaPosition {
public:
    ~FilterGraph() {
        if (stream_) Device::Instance().DropStream(stream_);
    }

    HRESULT RenderFile(const std::string& path) override {
        failure_.clear();
        if (stream_) {
            failure_ = "the graph holds a file already";
            return VFW_E_WRONG_STATE;
        }
        vr::audio::SoundFault fault = vr::audio::SoundFault::kNone;
        auto decoder = vr::audio::OpenSoundFileStream(path, failure_, &fault);
        if (!decoder) return fault == vr::audio::SoundFault::kMissing ? VFW_E_NOT_FOUND : VFW_E_UNSUPPORTED_STREAM;
        stream_ = std::make_shared<StreamVoice>(std::move(decoder));
        stream_->SetGainPan(volume_, balance_);
        stream_->SetSpeed(rate_);
        Device::Instance().AddStream(stream_);
        return S_OK;
    }

    HRESULT Run() override {
        if (!stream_) return VFW_E_WRONG_STATE;
        std::string error;
        bool heard = Device::Instance().Open(error);
        if (!heard && !silent_) {
            silent_ = true;
            silentFrame_ = stream_->Position();
        }
        if (silent_ && !silentRunning_) {
            silentRunning_ = silentFrame_ < double(stream_->Frames());
            silentSinceNs_ = NowNs();
        }
        stream_->Play();
        return heard ? S_OK : S_FALSE;
    }

    HRESULT Stop() override {
        if (!stream_) return S_OK;
        if (silent_) {
            silentFrame_ = SilentFrame();
            silentRunning_ = false;
        }
        stream_->Stop();
        return S_OK;
    }

    HRESULT SetLooping(bool loop) override {
        if (!stream_) return VFW_E_WRONG_STATE;
        if (silent_) {
            silentFrame_ = SilentFrame();
            silentSinceNs_ = NowNs();
        }
        looping_ = loop;
        stream_->SetLooping(loop);
        return S_OK;
    }

    HRESULT put_Volume(int32_t mb) override {
        if (mb < -10000 || mb > 0) return E_INVALIDARG;
        volume_ = mb;
        if (stream_) stream_->SetGainPan(volume_, balance_);
        return S_OK;
    }
    HRESULT put_Balance(int32_t mb) override {
        if (mb < -10000 || mb > 10000) return E_INVALIDARG;
        balance_ = mb;
        if (stream_) stream_->SetGainPan(volume_, balance_);
        return S_OK;
    }

    HRESULT get_Duration(double* seconds) override {
        if (!seconds) return E_POINTER;
        if (!stream_) return VFW_E_WRONG_STATE;
        *seconds = double(stream_->Frames()) / stream_->Rate();
        return S_OK;
    }
    HRESULT get_CurrentPosition(double* seconds) override {
        if (!seconds) return E_POINTER;
        if (!stream_) return VFW_E_WRONG_STATE;
        *seconds = (silent_ ? SilentFrame() : stream_->Position()) / stream_->Rate();
        return S_OK;
    }
    HRESULT put_CurrentPosition(double seconds) override {
        if (!stream_) return VFW_E_WRONG_STATE;
        if (!(seconds >= 0)) return E_INVALIDARG;
        int64_t frame = std::min<int64_t>(std::llround(seconds * stream_->Rate()), stream_->Frames());
        if (silent_) {
            silentFrame_ = double(frame);
            silentSinceNs_ = NowNs();
        }
        return stream_->Seek(frame) ? S_OK : VFW_E_CANNOT_RENDER;
    }
    HRESULT put_Rate(double rate) override {
        if (!(rate > 0) || !std::isfinite(rate)) return E_INVALIDARG;
        if (silent_) {
            silentFrame_ = SilentFrame();
            silentSinceNs_ = NowNs();
        }
        rate_ = rate;
        if (stream_) stream_->SetSpeed(rate_);
        return S_OK;
    }

    std::string RenderFailure() const override { return failure_; }

private:
    static int64_t NowNs() {
        int64_t ns = 0;
        vr::QueryPerformanceCounter(&ns);
        return ns;
    }
    // Without a sound device nothing is mixed, so the position follows the
    // clock from where it was when playing started; playing ends at the end.
    double SilentFrame() {
        if (!silentRunning_) return silentFrame_;
        double frames = double(stream_->Frames());
        double now = silentFrame_ + double(NowNs() - silentSinceNs_) / 1e9 * stream_->Rate() * rate_;
        if (now < frames) return now;
        if (looping_ && frames > 0) return std::fmod(now, frames);
        silentFrame_ = frames;
        silentRunning_ = false;
        stream_->Stop();
        return frames;
    }

    std::shared_ptr<StreamVoice> stream_;
    std::string failure_;
    int32_t volume_ = 0, balance_ = 0;
    double rate_ = 1.0;
    bool looping_ = false;
    bool silent_ = false;         // run once without a sound device: the clock gives the position
    bool silentRunning_ = false;  // playing without a device
    double silentFrame_ = 0;      // the position when the clock was last read into it
    int64_t silentSinceNs_ = 0;   // the performance counter at that moment
};

// Another view of the graph behind `graph`, sharing its ownership.
template <class View>
std::shared_ptr<View> ViewOf(const std::shared_ptr<MediaControl>& graph) {
    auto* g = static_cast<FilterGraph*>(graph.get());
    return g ? std::shared_ptr<View>(graph, static_cast<View*>(g)) : nullptr;
}

}  // namespace

std::shared_ptr<MediaControl> CreateFilterGraph() {
    auto g = std::make_shared<FilterGraph>();
    return std::shared_ptr<MediaControl>(g, static_cast<MediaControl*>(g.get()));
}

std::shared_ptr<BasicAudio> QueryBasicAudio(const std::shared_ptr<MediaControl>& graph) {
    return ViewOf<BasicAudio>(graph);
}
std::shared_ptr<MediaEvent> QueryMediaEvent(const std::shared_ptr<MediaControl>& graph) {
    return ViewOf<MediaEvent>(graph);
}
std::shared_ptr<MediaPosition> QueryMediaPosition(const std::shared_ptr<MediaControl>& graph) {
    return ViewOf<MediaPosition>(graph);
}

}  // namespace korva2d::media
