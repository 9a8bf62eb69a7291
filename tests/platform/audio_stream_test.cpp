// Streamed voices, mixed block by block as the device does, from a decoder
// whose every sample is known; and music files of each format opened for streaming.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "platform/audio_stream.h"
#include "sound_file_writer.h"
#include "test_files.h"

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

int Crossings(const std::vector<float>& stereo, size_t from, size_t to) {
    int n = 0;
    for (size_t i = from + 1; i < to; ++i) n += (stereo[2 * i - 2] < 0) != (stereo[2 * i] < 0);
    return n;
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
    // 48 kHz source into a 44.1 kHz mix: 48000 source frames per second of output.
    const int rate = 48000;
    class Sine final : public StreamDecoder {
    public:
        int Rate() const override { return 48000; }
        int Channels() const override { return 1; }
        int64_t Frames() const override { return 96000; }
        int64_t Read(float* out, int64_t n) override {
            n = std::min(n, Frames() - at_);
            for (int64_t i = 0; i < n; ++i) out[i] = float(std::sin(2 * M_PI * 1000.0 * double(at_ + i) / 48000));
            at_ += n;
            return n;
        }
        bool Seek(int64_t f) override {
            at_ = f;
            return true;
        }
        int64_t at_ = 0;
    };
    StreamVoice v(std::make_unique<Sine>());
    v.Play();
    auto out = Play(v, 44100);
    EXPECT_NEAR(v.Position(), rate, 1.0);
    EXPECT_NEAR(Crossings(out, 0, 44100), 2000, 2);  // still 1 kHz
    EXPECT_EQ(out[0], out[1]) << "a mono source feeds both sides";
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

TEST(SoundFileStream, EveryFormatOpensWithItsLengthAndDecodes) {
    std::string dir = vr::testing::FreshFolder("soundfilestream");
    struct Case {
        const char* name;
        int rate;
    };
    for (Case c : {Case{"t.mp3", 44100}, {"t.ogg", 44100}, {"t.opus", 48000}, {"t.flac", 22050}, {"t.wav", 8000}}) {
        SCOPED_TRACE(c.name);
        std::string path = dir + "/" + c.name;
        ASSERT_TRUE(vr::testing::WriteStereoTone(path, c.rate, 441, 1.5, 0.5, 0.25));
        std::string error;
        auto d = OpenSoundFileStream(dir + "\\" + c.name, error);
        ASSERT_TRUE(d) << error;
        EXPECT_EQ(d->Rate(), c.rate);
        EXPECT_EQ(d->Channels(), 2);
        EXPECT_NEAR(double(d->Frames()) / c.rate, 1.5, 0.01);
        // The decoded tone keeps each side's level (lossy formats within 0.5 dB).
        std::vector<float> pcm(size_t(d->Frames()) * 2);
        ASSERT_GE(d->Read(pcm.data(), d->Frames()), d->Frames() - 1152);
        double l = 0, r = 0;
        size_t from = size_t(c.rate / 4), to = size_t(c.rate);  // clear of the codecs' edges
        for (size_t i = from; i < to; ++i) {
            l += double(pcm[2 * i]) * pcm[2 * i];
            r += double(pcm[2 * i + 1]) * pcm[2 * i + 1];
        }
        EXPECT_NEAR(20 * std::log10(std::sqrt(l / double(to - from)) / (0.5 / std::sqrt(2.0))), 0.0, 0.5);
        EXPECT_NEAR(20 * std::log10(std::sqrt(r / double(to - from)) / (0.25 / std::sqrt(2.0))), 0.0, 0.5);
    }
}
