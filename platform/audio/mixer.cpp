#include <algorithm>
#include <cmath>

#include "platform/audio.h"
#include "platform/audio_stream.h"

namespace vr::audio {

double AmplitudeOfMb(int32_t mb) {
    if (mb <= -10000) return 0.0;
    if (mb >= 0) return 1.0;
    return std::pow(10.0, mb / 2000.0);
}

namespace {
// One channel's sample at a fractional frame position, linearly interpolated;
// a looping voice wraps to its start, a one-shot one fades to silence.
float SampleAt(const PcmData& d, double pos, int channel, bool looping) {
    int64_t frames = d.Frames();
    int64_t i = static_cast<int64_t>(pos);
    double frac = pos - double(i);
    int c = d.channels == 1 ? 0 : channel;
    float a = d.samples[size_t(i) * d.channels + c];
    int64_t j = i + 1;
    float b;
    if (j < frames) b = d.samples[size_t(j) * d.channels + c];
    else b = looping ? d.samples[size_t(c)] : 0.0f;
    return float(a + (b - a) * frac);
}
}  // namespace

void MixVoices(const std::vector<Voice*>& voices, float* out, int frames, int outRate) {
    for (int k = 0; k < frames * 2; ++k) out[k] = 0.0f;
    for (Voice* v : voices) {
        if (!v || !v->playing || !v->data || v->data->Frames() == 0) continue;
        const PcmData& d = *v->data;
        double gain = AmplitudeOfMb(v->gainMb);
        double left = gain * AmplitudeOfMb(v->panMb > 0 ? -v->panMb : 0);
        double right = gain * AmplitudeOfMb(v->panMb < 0 ? v->panMb : 0);
        double rate = v->rateHz > 0 ? v->rateHz : d.rate;
        double step = rate / double(outRate);
        double frameCount = double(d.Frames());
        for (int k = 0; k < frames; ++k) {
            if (v->position >= frameCount) {
                if (v->looping) {
                    v->position = std::fmod(v->position, frameCount);
                } else {
                    v->playing = false;
                    v->position = 0;
                    break;
                }
            }
            out[2 * k] += float(SampleAt(d, v->position, 0, v->looping) * left);
            out[2 * k + 1] += float(SampleAt(d, v->position, 1, v->looping) * right);
            v->position += step;
        }
    }
}

void Limiter::Process(float* out, int frames, int rate) {
    const float release = std::exp(-1.0f / (0.08f * float(rate > 0 ? rate : 44100)));
    constexpr float kRange = kCeiling - kKnee;
    float envelope = envelope_;
    for (int k = 0; k < frames; ++k) {
        float& left = out[2 * k];
        float& right = out[2 * k + 1];
        envelope = std::max(std::max(std::fabs(left), std::fabs(right)), envelope * release);
        if (!(envelope > kKnee)) continue;
        // Above the knee the level follows kKnee + kRange * d / (1 + d): slope 1 at the knee,
        // approaching the ceiling without reaching it.
        float over = (envelope - kKnee) * (1.0f / kRange);
        float gain = (kKnee * (1.0f + over) + kRange * over) / (envelope * (1.0f + over));  // one division
        left *= gain;
        right *= gain;
    }
    envelope_ = std::isfinite(envelope) ? envelope : 0.0f;
}

void MixBlock(const std::vector<Voice*>& voices, const std::vector<std::shared_ptr<StreamVoice>>& streams,
              float masterLevel, Limiter& limiter, float* out, int frames, int outRate) {
    MixVoices(voices, out, frames, outRate);
    for (auto& s : streams) s->MixInto(out, frames, outRate);
    if (masterLevel != 1.0f)
        for (int k = 0; k < frames * 2; ++k) out[k] *= masterLevel;
    limiter.Process(out, frames, outRate);
}

}  // namespace vr::audio
