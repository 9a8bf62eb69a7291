#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/audio.h"
#include "platform/audio_stream.h"

namespace vr::audio {

namespace {
int64_t PowerOfTwoAtLeast(int64_t n) {
    int64_t p = 1024;
    while (p < n) p *= 2;
    return p;
}
}  // namespace

StreamVoice::StreamVoice(std::unique_ptr<StreamDecoder> decoder, int64_t ringFrames)
    : decoder_(std::move(decoder)),
      rate_(decoder_->Rate()),
      channels_(decoder_->Channels()),
      frames_(decoder_->Frames()),
      capacity_(PowerOfTwoAtLeast(ringFrames)),
      ring_(size_t(capacity_) * size_t(channels_)) {
    {
        std::lock_guard<std::mutex> lock(decodeMutex_);
        Fill();
    }
    worker_ = std::thread([this] { WorkerLoop(); });
}

StreamVoice::~StreamVoice() {
    {
        std::lock_guard<std::mutex> lock(decodeMutex_);
        quit_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void StreamVoice::Play() {
    std::lock_guard<std::mutex> lock(control_);
    playing_ = true;
}

void StreamVoice::Stop() {
    std::lock_guard<std::mutex> lock(control_);
    playing_ = false;
}

bool StreamVoice::Playing() const {
    std::lock_guard<std::mutex> lock(control_);
    return playing_;
}

void StreamVoice::SetGainPan(int32_t gainMb, int32_t panMb) {
    double gain = AmplitudeOfMb(gainMb);
    std::lock_guard<std::mutex> lock(control_);
    left_ = gain * AmplitudeOfMb(panMb > 0 ? -panMb : 0);
    right_ = gain * AmplitudeOfMb(panMb < 0 ? panMb : 0);
}

void StreamVoice::SetSpeed(double speed) {
    std::lock_guard<std::mutex> lock(control_);
    if (speed > 0) speed_ = speed;
}

void StreamVoice::SetLooping(bool loop) { looping_.store(loop); }

bool StreamVoice::Seek(int64_t frame) {
    frame = std::clamp<int64_t>(frame, 0, frames_);
    // The worker is held off while the decoder moves; the mixer only for the reset.
    std::unique_lock<std::mutex> decode(decodeMutex_);
    {
        // Already there with nothing played since (a rewind right after loading): keep the ring.
        std::lock_guard<std::mutex> lock(control_);
        if (frame == seekFrame_ && read_.load() == 0 && fraction_ == 0 && !endOfSource_.load()) return true;
    }
    bool ok = decoder_->Seek(frame);
    {
        std::lock_guard<std::mutex> lock(control_);
        written_.store(0);
        read_.store(0);
        fraction_ = 0;
        seekFrame_ = frame;
        endOfSource_.store(!ok);
    }
    if (ok) Fill();  // playing from here starts at once, with the whole ring in hand
    decode.unlock();
    wake_.notify_one();
    return ok;
}

double StreamVoice::Position() const {
    std::lock_guard<std::mutex> lock(control_);
    double played = double(seekFrame_ + read_.load(std::memory_order_relaxed)) + fraction_;
    // Past the end only by looping: the laps before this one are whole lengths.
    return played > double(frames_) && frames_ > 0 ? std::fmod(played, double(frames_)) : played;
}

void StreamVoice::FillOnce() {
    int64_t w = written_.load(std::memory_order_relaxed);
    int64_t at = w & (capacity_ - 1);
    int64_t n = std::min({kChunkFrames, FreeFrames(), capacity_ - at});
    if (n <= 0 || endOfSource_.load(std::memory_order_relaxed)) return;
    int64_t got = std::min(decoder_->Read(ring_.data() + at * channels_, n), n);
    if (got > 0) {
        decoded_.fetch_add(got, std::memory_order_relaxed);
        written_.store(w + got, std::memory_order_release);
    } else if (got == 0 && frames_ > 0 && looping_.load() && decoder_->Seek(0)) {
        // The end of a lap: the next chunk comes from the start again.
    } else {
        endOfSource_.store(true, std::memory_order_release);  // the end, or a file gone bad
    }
}

void StreamVoice::Fill() {
    while (!endOfSource_.load(std::memory_order_relaxed) && FreeFrames() > 0) FillOnce();
}

void StreamVoice::WorkerLoop() {
    pthread_setname_np(pthread_self(), "vr-stream");
    std::unique_lock<std::mutex> lock(decodeMutex_);
    while (!quit_) {
        if (!endOfSource_.load() && FreeFrames() >= std::min(kChunkFrames, capacity_ / 2)) {
            FillOnce();
        } else if (endOfSource_.load()) {
            wake_.wait(lock);  // until a seek or the end of the voice
        } else {
            // The mixer wakes the worker when it frees a chunk; the time-out
            // covers a wake-up that comes between the test and the wait.
            wake_.wait_for(lock, std::chrono::milliseconds(100));
        }
    }
}

void StreamVoice::MixInto(float* out, int frames, int outRate) {
    std::lock_guard<std::mutex> lock(control_);
    if (!playing_ || frames <= 0 || outRate <= 0) return;
    // Frames written before the end flag are visible once the flag is.
    const bool atEnd = endOfSource_.load(std::memory_order_acquire);
    const int64_t w = written_.load(std::memory_order_acquire);
    const int64_t mask = capacity_ - 1;
    const int last = channels_ - 1;  // a mono source feeds both sides
    const float* ring = ring_.data();
    const float left = float(left_), right = float(right_);
    const double step = double(rate_) * speed_ / double(outRate);
    int64_t r = read_.load(std::memory_order_relaxed);
    double frac = fraction_;
    int k = 0;
    if (step == 1.0 && frac == 0.0) {
        // The source's rate is the device's: no resampling.
        int64_t n = std::min<int64_t>(frames, w - r);
        for (; k < n; ++k, ++r) {
            const float* s = ring + (r & mask) * channels_;
            out[2 * k] += s[0] * left;
            out[2 * k + 1] += s[last] * right;
        }
    } else {
        for (; k < frames; ++k) {
            int64_t whole = std::min(int64_t(frac), w - r);  // frames the last step passed
            r += whole;
            frac -= double(whole);
            int64_t avail = w - r;
            // Interpolating needs the next frame too, except at the very end.
            if (frac >= 1.0 || avail == 0 || (avail == 1 && frac > 0 && !atEnd)) break;
            const float* a = ring + (r & mask) * channels_;
            const float* b = avail > 1 ? ring + ((r + 1) & mask) * channels_ : nullptr;
            float f = float(frac);
            float la = a[0], ra = a[last];
            float lb = b ? b[0] : 0.0f, rb = b ? b[last] : 0.0f;
            out[2 * k] += (la + (lb - la) * f) * left;
            out[2 * k + 1] += (ra + (rb - ra) * f) * right;
            frac += step;
        }
    }
    if (atEnd) {
        int64_t whole = std::min(int64_t(frac), w - r);
        r += whole;
        frac -= double(whole);
        if (r >= w) {  // every decoded frame was played: playback ends here
            playing_ = false;
            frac = 0;
        }
    } else if (k < frames) {
        underruns_.fetch_add(1, std::memory_order_relaxed);
    }
    read_.store(r, std::memory_order_release);
    fraction_ = frac;
    if (FreeFrames() >= std::min(kChunkFrames, capacity_ / 2)) wake_.notify_one();
}

}  // namespace vr::audio
