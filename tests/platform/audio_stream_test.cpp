// Streamed voices, mixed block by block as the device does, from a decoder
// whose every sample is known.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/audio.h"
#include "platform/audio_stream.h"

using namespace vr::audio;

namespace {

// Frame i holds (i mod 997) / 997 on the left and its negative on the right;
// reading past `failAt` is a read error.
class RampDecoder final : public StreamDecoder {
public:
    RampDecoder(int rate, int64_t frames, int64_t failAt = -1) : rate_(rate), frames_(frames), failAt_(failAt) {}
    static float Value(int64_t i) { return float(i % 997) / 997.0f; }
    int Rate() const override { return rate_; }
    int Channels() const override { return 2; }
    int64_t Frames() const override { return frames_; }
    int64_t Read(float* out, int64_t n) override {
        if (failAt_ >= 0 && at_ >= failAt_) return -1;
        n = std::min(n, (failAt_ >= 0 ? failAt_ : frames_) - at_);
        for (int64_t i = 0; i < n; ++i) {
            out[2 * i] = Value(at_ + i);
            out[2 * i + 1] = -Value(at_ + i);
        }
        at_ += n;
        return n;
    }
    bool Seek(int64_t frame) override {
        at_ = frame;
        return true;
    }

private:
    int rate_;
    int64_t frames_, failAt_, at_ = 0;
};

// Mixes `frames` frames in device-sized blocks, letting the worker refill the
// ring between blocks as the device's pace would.
std::vector<float> Play(StreamVoice& v, int frames, int outRate = 44100) {
    std::vector<float> out(size_t(frames) * 2, 0.0f);
    for (int at = 0; at < frames; at += 1024) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (v.Buffered() < 4096 && !v.SourceEnded() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        v.MixInto(out.data() + 2 * at, std::min(1024, frames - at), outRate);
    }
    return out;
}

}  // namespace

TEST(StreamVoice, PlaysEveryFrameInOrderWhileDecodingOnlyALittleAhead) {
    const int64_t hour = int64_t(44100) * 3600;
    StreamVoice v(std::make_unique<RampDecoder>(44100, hour));
    EXPECT_EQ(Play(v, 4096)[0], 0.0f) << "nothing is heard before Play";
    EXPECT_EQ(v.Position(), 0.0);
    v.Play();
    auto out = Play(v, 200000);
    for (size_t i = 0; i < 200000; ++i) {
        ASSERT_EQ(out[2 * i], RampDecoder::Value(int64_t(i))) << "frame " << i;
        ASSERT_EQ(out[2 * i + 1], -RampDecoder::Value(int64_t(i))) << "frame " << i;
    }
    EXPECT_EQ(v.Position(), 200000.0);
    EXPECT_LE(v.FramesDecoded(), 200000 + StreamVoice::kRingFrames);
    EXPECT_LE(v.RingBytes(), size_t(StreamVoice::kRingFrames) * 2 * sizeof(float));

    v.Stop();
    EXPECT_EQ(Play(v, 2048)[100], 0.0f);
    EXPECT_EQ(v.Position(), 200000.0) << "stopping keeps the position";
    ASSERT_TRUE(v.Seek(hour - 1000));
    v.Play();
    out = Play(v, 3000);
    EXPECT_EQ(out[0], RampDecoder::Value(hour - 1000));
    EXPECT_FALSE(v.Playing()) << "the end stops playback";
    EXPECT_EQ(out[2 * 1000], 0.0f);
    EXPECT_EQ(v.Position(), double(hour)) << "the position stays at the end";
}

TEST(StreamVoice, GainPanAndSpeedGoThroughTheMixer) {
    StreamVoice v(std::make_unique<RampDecoder>(44100, 441000));
    v.SetGainPan(-2000, 10000);  // a tenth of the amplitude, the left side silent
    v.Play();
    auto out = Play(v, 2048);
    EXPECT_EQ(out[2 * 500], 0.0f);
    EXPECT_FLOAT_EQ(out[2 * 500 + 1], -0.1f * RampDecoder::Value(500));

    v.SetGainPan(0, 0);
    v.SetSpeed(2.0);
    double before = v.Position();
    out = Play(v, 10000);
    EXPECT_DOUBLE_EQ(v.Position() - before, 20000.0);
    EXPECT_FLOAT_EQ(out[2 * 10], RampDecoder::Value(int64_t(before) + 20));
}

TEST(StreamVoice, AFasterSourceIsResampledToTheDeviceRate) {
    StreamVoice v(std::make_unique<RampDecoder>(48000, 96000));
    v.Play();
    auto out = Play(v, 44100);
    EXPECT_NEAR(v.Position(), 48000, 1.0) << "one second of the source per second of output";
    double at = 100 * 48000.0 / 44100;  // output frame 100, between two source frames
    float expected = RampDecoder::Value(108) + float(at - 108) * (RampDecoder::Value(109) - RampDecoder::Value(108));
    EXPECT_NEAR(out[2 * 100], expected, 1e-5);
    EXPECT_EQ(v.Underruns(), 0);
}

TEST(StreamVoice, AReadErrorEndsPlaybackWhereTheFileWentBad) {
    StreamVoice v(std::make_unique<RampDecoder>(44100, 441000, 30000));
    v.Play();
    auto out = Play(v, 40000);
    EXPECT_FALSE(v.Playing());
    EXPECT_EQ(v.Position(), 30000.0);
    EXPECT_EQ(out[2 * 29999], RampDecoder::Value(29999));
    EXPECT_EQ(out[2 * 30000 + 2], 0.0f);
    EXPECT_EQ(v.Underruns(), 0);
}

TEST(MasterLevel, ScalesVoicesAndStreamsAlikeBeforeTheLimiter) {
    auto tone = std::make_shared<PcmData>();
    tone->rate = 44100;
    tone->channels = 2;
    tone->samples.assign(2 * 4096, 0.5f);
    Voice effect{tone, 0, 0, 0, 0, true, true};
    auto stream = std::make_shared<StreamVoice>(std::make_unique<RampDecoder>(44100, 100000));
    stream->Play();
    std::vector<std::shared_ptr<StreamVoice>> streams{stream};
    auto block = [&](float level) {
        std::vector<float> out(2 * 512);
        effect.position = 0;
        stream->Seek(600);  // frames whose ramp value lies above 0.6: the sum passes 1
        while (stream->Buffered() < 512) std::this_thread::sleep_for(std::chrono::microseconds(200));
        Limiter limiter;
        MixBlock({&effect}, streams, level, limiter, out.data(), 512, 44100);
        return out;
    };
    auto full = block(1.0f), half = block(0.5f), none = block(0.0f);
    for (size_t k = 0; k < full.size(); k += 2) {
        float sum = 0.5f + RampDecoder::Value(600 + int64_t(k / 2));
        EXPECT_TRUE(full[k] > 0.0f && full[k] <= sum && full[k] < Limiter::kCeiling);  // limited at full level
        EXPECT_EQ(half[k], sum * 0.5f);  // halved first, so below the limiter's knee and untouched
        EXPECT_EQ(none[k], 0.0f);
    }
}
