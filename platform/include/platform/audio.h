// The one audio device of the process and its mixer of voices, shared by the
// DirectSound and media-player stand-ins. Gains are in hundredths of a
// decibel (0 full, -10000 silent), pans as DirectSound does them (the far
// channel attenuated by the pan's hundredths of a decibel), rates in hertz.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vr::audio {

class StreamVoice;  // a voice streamed from a file (platform/audio_stream.h)

// Decoded sound: interleaved float samples, 1 or 2 channels.
struct PcmData {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;
    int64_t Frames() const { return channels ? int64_t(samples.size()) / channels : 0; }
};

// Why a sound file was refused.
enum class SoundFault {
    kNone,
    kMissing,     // no such file
    kNotAFile,    // a folder, FIFO, device or socket, or a file that cannot be read
    kNotASound,   // not a sound of 1 or 2 channels that libsndfile reads
    kCut,         // it holds less than its header promises, or its length cannot be told
    kTooLong,     // longer than a sound effect may be
};

// The longest sound effect, in frames: 95 s at 44.1 kHz, 32 MB of samples in
// stereo. Longer sounds are music, which is streamed (platform/audio_stream.h).
inline constexpr int64_t kMaxSoundEffectFrames = int64_t(1) << 22;

// Reads a sound effect whole (WAV and anything libsndfile reads; a regular file
// only, never waiting on a FIFO). A file cut short (a WAV data chunk, FLAC or
// Ogg stream that holds less than its header promises) or longer than
// kMaxSoundEffectFrames is refused. kNone, or the fault with its reason;
// std::bad_alloc when the samples do not fit in memory.
SoundFault LoadSoundFile(const std::string& path, PcmData& out, std::string& reason);

// The playing state of one sound buffer.
struct Voice {
    std::shared_ptr<const PcmData> data;
    int32_t gainMb = 0;       // -10000 .. 0
    int32_t panMb = 0;        // -10000 .. 10000
    int32_t rateHz = 0;       // 0 = the data's own rate
    double position = 0;      // in frames of the data
    bool playing = false;
    bool looping = false;
};

// Linear amplitude of a gain in hundredths of a decibel (0 at -10000 or below).
double AmplitudeOfMb(int32_t mb);

// Mixes `frames` stereo frames at `outRate` from the voices into out (which
// is overwritten), advancing their positions; a one-shot voice stops at its
// end. A pure function of its inputs.
void MixVoices(const std::vector<Voice*>& voices, float* out, int frames, int outRate);

// The output stage: a peak limiter. While the mix's peak level stays at or
// below kKnee the samples pass bit for bit; a louder passage is turned down
// at once, along a soft curve that never reaches kCeiling, and comes back up
// over about 80 ms. A busy mix is compressed instead of clipped flat at full scale.
class Limiter {
public:
    static constexpr float kKnee = 0.8f;      // -1.9 dBFS: no limiting at or below it
    static constexpr float kCeiling = 0.98f;  // -0.18 dBFS: no output sample reaches it
    // Limits `frames` stereo frames in place at `rate` frames per second.
    void Process(float* out, int frames, int rate);

private:
    float envelope_ = 0;  // the peak level, falling back over the release time
};

// One block of the device's output: the voices, then the streams over them,
// each at its own gain, all at the master level (a linear factor, 0 to 1),
// then through the limiter.
void MixBlock(const std::vector<Voice*>& voices, const std::vector<std::shared_ptr<StreamVoice>>& streams,
              float masterLevel, Limiter& limiter, float* out, int frames, int outRate);

// The process's audio device: opened on first use, mixing every registered
// voice and stream on SDL's audio thread. All access to a registered voice's fields must
// hold Lock().
class Device {
public:
    static Device& Instance();
    // Opens the device (44.1 kHz stereo float); false with SDL's reason.
    bool Open(std::string& error);
    bool IsOpen() const { return id_ != 0; }
    int Rate() const { return rate_; }
    // Number of output devices SDL reports (0 without a sound card).
    static int CountOutputDevices();
    // The master level over everything the device plays, a linear factor from
    // 0 (silent) to 1 (full, the default); may be set before the device opens.
    // A program hosting the engine sets it once from its own settings: the
    // engine's sounds and music keep their own volumes under it.
    void SetMasterLevel(float level);
    float MasterLevel() const { return master_.load(); }
    // Holds the whole output: while paused the device plays silence and every
    // voice and stream stays where it is, to go on from there when unpaused.
    void SetPaused(bool paused) { paused_.store(paused); }
    bool Paused() const { return paused_.load(); }

    std::shared_ptr<Voice> NewVoice(std::shared_ptr<const PcmData> data);
    void DropVoice(const std::shared_ptr<Voice>& v);
    // Adds a streamed voice to the mix, after the voices above; DropStream
    // takes it out, and once it returns the device no longer touches it.
    void AddStream(std::shared_ptr<StreamVoice> s);
    void DropStream(const std::shared_ptr<StreamVoice>& s);
    std::unique_lock<std::recursive_mutex> Lock() { return std::unique_lock<std::recursive_mutex>(mutex_); }

private:
    Device() = default;
    static void Callback(void* self, uint8_t* stream, int len);
    uint32_t id_ = 0;
    int rate_ = 44100;
    std::recursive_mutex mutex_;
    std::vector<std::shared_ptr<Voice>> voices_;
    std::vector<Voice*> scratch_;
    std::vector<std::shared_ptr<StreamVoice>> streams_;
    Limiter limiter_;
    std::atomic<float> master_{1.0f};
    std::atomic<bool> paused_{false};
};

}  // namespace vr::audio
