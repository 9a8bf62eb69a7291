// Streamed playback for long sounds such as music: a worker thread decodes the
// file a little ahead into a bounded ring of frames, and the device's mixer
// plays from that ring. A file of any length starts at once and costs the
// same few hundred kilobytes; it is never decoded whole into memory.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio.h"

namespace vr::audio {

// A source of interleaved float frames, read forward and repositioned.
class StreamDecoder {
public:
    virtual ~StreamDecoder() = default;
    virtual int Rate() const = 0;        // frames per second
    virtual int Channels() const = 0;    // 1 or 2
    virtual int64_t Frames() const = 0;  // length in frames
    // Reads up to `frames` frames; the number read, 0 at the end, negative on a read error.
    virtual int64_t Read(float* out, int64_t frames) = 0;
    // Makes the next read start at `frame`; false when the source cannot go there.
    virtual bool Seek(int64_t frame) = 0;
};

// Opens a sound file that libsndfile reads (WAV, FLAC, Ogg Vorbis, Opus, MP3)
// for streaming. The file must be a regular file of 1 or 2 channels and known
// length that holds what its header promises and decodes at its start and at
// its end (a cut-off file does not); otherwise null, with the reason in
// `reason` and the fault in `fault` when given.
std::unique_ptr<StreamDecoder> OpenSoundFileStream(const std::string& path, std::string& reason,
                                                   SoundFault* fault = nullptr);

// One streamed voice: the ring, its decoder worker and the playing state.
// Control calls come from any one thread; MixInto comes from the device.
class StreamVoice {
public:
    static constexpr int64_t kRingFrames = 32768;  // about 0.75 s at 44.1 kHz
    static constexpr int64_t kChunkFrames = 8192;   // one decoding step of the worker

    // Takes the decoder, fills the ring (ringFrames, rounded up to a power of two) and
    // starts the worker; stopped, at frame 0.
    explicit StreamVoice(std::unique_ptr<StreamDecoder> decoder, int64_t ringFrames = kRingFrames);
    // Stops the worker and closes the decoder.
    ~StreamVoice();
    StreamVoice(const StreamVoice&) = delete;
    StreamVoice& operator=(const StreamVoice&) = delete;

    int Rate() const { return rate_; }
    int Channels() const { return channels_; }
    int64_t Frames() const { return frames_; }

    // Starts or resumes playing from the current position.
    void Play();
    // Stops playing; the position stays where it is.
    void Stop();
    // True while playing; false once stopped or after the last decoded frame was played.
    bool Playing() const;
    // Gain in hundredths of a decibel (0 full, -10000 silent) and pan as the mixer's voices take them.
    void SetGainPan(int32_t gainMb, int32_t panMb);
    // Playback speed as a factor of the source's own rate (1 = as recorded), through the resampler.
    void SetSpeed(double speed);
    // Looping: the decoder goes back to the start at each end of the source, so
    // playing never ends and the position starts again from 0. Takes effect for
    // what is decoded from then on (a Seek decodes afresh).
    void SetLooping(bool loop);
    // Moves to `frame` (clamped to the length): refills the ring from there.
    // False when the source cannot go there; the voice is then at its end.
    bool Seek(int64_t frame);
    // The position in frames of the source: what the mixer has played, not what was decoded
    // (within the source's length once a loop went past its end).
    double Position() const;
    // Times the mixer found the ring empty before the end (heard as a gap).
    int64_t Underruns() const { return underruns_.load(); }
    // Frames decoded since creation (for checking that decoding stays a little ahead).
    int64_t FramesDecoded() const { return decoded_.load(); }
    // Frames decoded and not yet played.
    int64_t Buffered() const { return written_.load() - read_.load(); }
    // True once the decoder gave its last frame (or failed) since the last seek.
    bool SourceEnded() const { return endOfSource_.load(); }
    // Bytes held by the ring.
    size_t RingBytes() const { return ring_.size() * sizeof(float); }

    // Adds `frames` stereo frames of this voice at `outRate` into out and
    // advances the position; an empty ring leaves the rest of the block silent.
    void MixInto(float* out, int frames, int outRate);

private:
    void WorkerLoop();
    // Decode one chunk into the ring, or fill it to the brim; decodeMutex_ must be held.
    void FillOnce();
    void Fill();
    int64_t FreeFrames() const { return capacity_ - (written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire)); }

    std::unique_ptr<StreamDecoder> decoder_;
    int rate_ = 0, channels_ = 0;
    int64_t frames_ = 0;
    int64_t capacity_ = 0;  // ring size in frames, a power of two
    std::vector<float> ring_;

    // Ring counters since the last seek: the worker advances written_, the mixer read_.
    std::atomic<int64_t> written_{0}, read_{0};
    std::atomic<bool> endOfSource_{false};  // the decoder gave its last frame (or failed)
    std::atomic<bool> looping_{false};
    std::atomic<int64_t> underruns_{0}, decoded_{0};

    // Playing state, guarded by control_ (taken by the mixer for each block).
    mutable std::mutex control_;
    bool playing_ = false;
    int64_t seekFrame_ = 0;  // where the ring's frame 0 is in the source
    double fraction_ = 0;    // the resampler's position past read_, in source frames
    double left_ = 1, right_ = 1, speed_ = 1;

    // The decoder and the worker, guarded by decodeMutex_.
    std::mutex decodeMutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    std::thread worker_;
};

}  // namespace vr::audio
