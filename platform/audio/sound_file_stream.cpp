#include <sndfile.h>

#include <algorithm>
#include <vector>

#include "audio/sound_file_open.h"
#include "platform/audio_stream.h"

namespace vr::audio {

namespace {

class SoundFileStream final : public StreamDecoder {
public:
    explicit SoundFileStream(std::unique_ptr<OpenedSound> sound) : sound_(std::move(sound)) {}
    int Rate() const override { return sound_->info.samplerate; }
    int Channels() const override { return sound_->info.channels; }
    int64_t Frames() const override { return sound_->info.frames; }
    int64_t Read(float* out, int64_t frames) override {
        sf_count_t got = sf_readf_float(sound_->file, out, frames);
        if (got <= 0 && sf_error(sound_->file) != SF_ERR_NO_ERROR) return -1;
        return got;
    }
    bool Seek(int64_t frame) override { return sf_seek(sound_->file, frame, SEEK_SET) == frame; }

private:
    std::unique_ptr<OpenedSound> sound_;
};

// Frames read at the start and near the end when a file is opened: a file cut
// off on its way (its header still promising the whole length) fails there.
constexpr int64_t kProbeFrames = 4096;

// True when the source decodes from `frame` up to `end` (at least one frame).
bool DecodesFromTo(StreamDecoder& d, int64_t frame, int64_t end, std::vector<float>& scratch) {
    if (!d.Seek(frame)) return false;
    for (int64_t left = std::max<int64_t>(1, end - frame); left > 0;) {
        int64_t n = d.Read(scratch.data(), std::min(left, kProbeFrames));
        if (n <= 0) return false;
        left -= n;
    }
    return true;
}

}  // namespace

std::unique_ptr<StreamDecoder> OpenSoundFileStream(const std::string& path, std::string& reason, SoundFault* fault) {
    auto sound = std::make_unique<OpenedSound>();
    SoundFault f = OpenSound(path, *sound, reason);
    if (f == SoundFault::kNone && sound->info.frames < 1) {
        reason = "it holds no sound";
        f = SoundFault::kNotASound;
    }
    if (fault) *fault = f;
    if (f != SoundFault::kNone) return nullptr;
    int64_t frames = sound->info.frames;
    std::vector<float> scratch(size_t(kProbeFrames) * size_t(sound->info.channels));
    // An MP3 whose Xing header was checked is whole; seeking to its end would scan every frame.
    // Without one its length is an estimate, so only some sound near its end is asked for.
    bool checked = sound->mpegChecked, estimated = sound->mpeg;
    auto stream = std::make_unique<SoundFileStream>(std::move(sound));
    int64_t probe = std::max<int64_t>(0, frames - kProbeFrames);
    bool whole = checked || DecodesFromTo(*stream, probe, estimated ? probe + 1 : frames, scratch);
    if (!whole || !DecodesFromTo(*stream, 0, 1, scratch) || !stream->Seek(0)) {
        reason = "the file is cut short or damaged: it does not decode to its end";
        if (fault) *fault = SoundFault::kCut;
        return nullptr;
    }
    return stream;
}

}  // namespace vr::audio
