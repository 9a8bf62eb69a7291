#include <sndfile.h>

#include <filesystem>
#include <vector>

#include "platform/audio_stream.h"
#include "platform/kernel.h"

namespace vr::audio {

namespace {

class SoundFileStream final : public StreamDecoder {
public:
    SoundFileStream(SNDFILE* file, const SF_INFO& info) : file_(file), info_(info) {}
    ~SoundFileStream() override { sf_close(file_); }
    int Rate() const override { return info_.samplerate; }
    int Channels() const override { return info_.channels; }
    int64_t Frames() const override { return info_.frames; }
    int64_t Read(float* out, int64_t frames) override {
        sf_count_t got = sf_readf_float(file_, out, frames);
        if (got <= 0 && sf_error(file_) != SF_ERR_NO_ERROR) return -1;
        return got;
    }
    bool Seek(int64_t frame) override { return sf_seek(file_, frame, SEEK_SET) == frame; }

private:
    SNDFILE* file_;
    SF_INFO info_;
};

// Frames read at the start and near the end when a file is opened: a file cut
// off on its way (its header still promising the whole length) fails there.
constexpr int64_t kProbeFrames = 4096;

bool DecodesAt(StreamDecoder& d, int64_t frame, std::vector<float>& scratch) {
    if (!d.Seek(frame)) return false;
    return d.Read(scratch.data(), kProbeFrames) > 0;
}

}  // namespace

std::unique_ptr<StreamDecoder> OpenSoundFileStream(const std::string& path, std::string& error) {
    std::string native = NativePath(path);
    std::error_code ec;
    if (!std::filesystem::exists(native, ec)) {
        error = "file not found";
        return nullptr;
    }
    if (!std::filesystem::is_regular_file(native, ec)) {
        error = "not a file";
        return nullptr;
    }
    SF_INFO info{};
    SNDFILE* f = sf_open(native.c_str(), SFM_READ, &info);
    if (!f) {
        error = sf_strerror(nullptr);
        return nullptr;
    }
    auto stream = std::make_unique<SoundFileStream>(f, info);
    // A length of SF_COUNT_MAX means libsndfile could not tell it (a cut-off Ogg file).
    if (info.channels < 1 || info.channels > 2 || info.samplerate < 1 || info.frames < 1 ||
        info.frames >= int64_t(1) << 40) {
        error = "unsupported channel count, rate or length";
        return nullptr;
    }
    std::vector<float> scratch(size_t(kProbeFrames) * size_t(info.channels));
    if (!DecodesAt(*stream, 0, scratch) ||
        !DecodesAt(*stream, info.frames > kProbeFrames ? info.frames - kProbeFrames : 0, scratch) ||
        !stream->Seek(0)) {
        error = "the file does not decode to its end";
        return nullptr;
    }
    return stream;
}

}  // namespace vr::audio
