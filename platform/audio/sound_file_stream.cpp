#include <sndfile.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/audio_stream.h"
#include "platform/kernel.h"
#include "platform/virtual_store.h"

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

uint32_t BigEndian32(const unsigned char* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// For an MP3 file with a Xing or Info header in its first frame (as encoders
// write it): the bytes that header promises for the stream, and the bytes the
// file holds from that frame on. Reading the end of an MP3 to see whether it
// is all there means scanning every frame before it, which takes a quarter of a
// second for an hour of music; comparing the sizes takes nothing.
bool MpegStreamBytes(const std::string& path, uint64_t& promised, uint64_t& held) {
    std::ifstream f(path, std::ios::binary | std::ios::ate);
    uint64_t size = uint64_t(f.tellg());
    unsigned char head[10] = {}, frame[64] = {};
    f.seekg(0);
    if (!f.read(reinterpret_cast<char*>(head), sizeof head)) return false;
    uint64_t start = 0;
    if (std::memcmp(head, "ID3", 3) == 0)  // an ID3v2 tag before the first frame
        start = 10 + ((head[5] & 0x10) ? 10 : 0) +
                (uint64_t(head[6] & 0x7f) << 21 | (head[7] & 0x7f) << 14 | (head[8] & 0x7f) << 7 | (head[9] & 0x7f));
    f.seekg(std::streamoff(start));
    if (!f.read(reinterpret_cast<char*>(frame), sizeof frame) || frame[0] != 0xFF || (frame[1] & 0xE0) != 0xE0)
        return false;
    bool mpeg1 = ((frame[1] >> 3) & 3) == 3, mono = ((frame[3] >> 6) & 3) == 3, crc = !(frame[1] & 1);
    size_t at = 4 + (crc ? 2 : 0) + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));  // past the side information
    if (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0) return false;
    uint32_t flags = BigEndian32(frame + at + 4);
    if (!(flags & 2)) return false;  // no byte count
    promised = BigEndian32(frame + at + 8 + ((flags & 1) ? 4 : 0));
    held = size - start;
    return true;
}

bool DecodesAt(StreamDecoder& d, int64_t frame, std::vector<float>& scratch) {
    if (!d.Seek(frame)) return false;
    return d.Read(scratch.data(), kProbeFrames) > 0;
}

}  // namespace

std::unique_ptr<StreamDecoder> OpenSoundFileStream(const std::string& path, std::string& error) {
    std::string native = PathForReading(path);
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
    uint64_t promised = 0, held = 0;
    bool sized = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG && MpegStreamBytes(native, promised, held);
    bool whole = sized ? held >= promised
                       : DecodesAt(*stream, info.frames > kProbeFrames ? info.frames - kProbeFrames : 0, scratch);
    if (!whole || !DecodesAt(*stream, 0, scratch) || !stream->Seek(0)) {
        error = "the file does not decode to its end";
        return nullptr;
    }
    return stream;
}

}  // namespace vr::audio
