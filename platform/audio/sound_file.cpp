#include <sndfile.h>

#include "platform/audio.h"
#include "platform/kernel.h"
#include "platform/virtual_store.h"

namespace vr::audio {

bool LoadSoundFile(const std::string& path, PcmData& out, std::string& error) {
    std::string native = PathForReading(path);
    if (!PathFileExistsA(native)) {
        error = "file not found";
        return false;
    }
    SF_INFO info{};
    SNDFILE* f = sf_open(native.c_str(), SFM_READ, &info);
    if (!f) {
        error = sf_strerror(nullptr);
        return false;
    }
    if (info.channels < 1 || info.channels > 2 || info.samplerate < 1 || info.frames < 0 ||
        info.frames > int64_t(1) << 31) {
        sf_close(f);
        error = "unsupported channel count, rate or length";
        return false;
    }
    out.rate = info.samplerate;
    out.channels = info.channels;
    out.samples.resize(size_t(info.frames) * info.channels);
    sf_count_t got = sf_readf_float(f, out.samples.data(), info.frames);
    sf_close(f);
    out.samples.resize(size_t(got < 0 ? 0 : got) * info.channels);
    return true;
}

}  // namespace vr::audio
