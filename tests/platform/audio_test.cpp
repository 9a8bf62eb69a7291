#include <gtest/gtest.h>

#include <cmath>

#include "platform/audio.h"
#include "test_files.h"
#include "wave_writer.h"

using namespace vr::audio;

namespace {

std::shared_ptr<PcmData> ToneData(int rate, double hz, double seconds, int channels = 1) {
    auto d = std::make_shared<PcmData>();
    d->rate = rate;
    d->channels = channels;
    auto mono = vr::testing::Tone(rate, hz, seconds);
    for (float s : mono)
        for (int c = 0; c < channels; ++c) d->samples.push_back(s);
    return d;
}

double Rms(const std::vector<float>& stereo, int channel) {
    double sum = 0;
    size_t n = stereo.size() / 2;
    for (size_t i = 0; i < n; ++i) sum += double(stereo[2 * i + channel]) * stereo[2 * i + channel];
    return std::sqrt(sum / double(n));
}

double Db(double ratio) { return 20 * std::log10(ratio); }

int ZeroCrossings(const std::vector<float>& stereo) {
    int n = 0;
    for (size_t i = 2; i < stereo.size(); i += 2) n += (stereo[i - 2] < 0) != (stereo[i] < 0);
    return n;
}

std::vector<float> Mix(Voice& v, int frames, int rate = 44100) {
    std::vector<float> out(size_t(frames) * 2);
    MixVoices({&v}, out.data(), frames, rate);
    return out;
}

}  // namespace

TEST(Mixer, GainAndPanFollowHundredthsOfADecibel) {
    auto tone = ToneData(44100, 441, 1.0);
    Voice full{tone, 0, 0, 0, 0, true, false}, half{tone, -5000, 0, 0, 0, true, false};
    double a = Rms(Mix(full, 22050), 0), b = Rms(Mix(half, 22050), 0);
    EXPECT_NEAR(Db(a / b), 50.0, 0.5);
    Voice right{tone, 0, 10000, 0, 0, true, false};
    auto r = Mix(right, 22050);
    EXPECT_LT(Db(Rms(r, 0) / a), -90.0);  // the left channel is silenced
    EXPECT_NEAR(Db(Rms(r, 1) / a), 0.0, 0.1);
    Voice silent{tone, -10000, 0, 0, 0, true, false};
    EXPECT_EQ(Rms(Mix(silent, 1000), 0), 0.0);
    EXPECT_DOUBLE_EQ(AmplitudeOfMb(-2000), 0.1);
}

TEST(Mixer, PlaybackRateChangesPitchAndOneShotsEnd) {
    auto tone = ToneData(22050, 441, 2.0);
    Voice own{tone, 0, 0, 0, 0, true, false}, twice{tone, 0, 0, 44100, 0, true, false};
    int base = ZeroCrossings(Mix(own, 44100));
    int fast = ZeroCrossings(Mix(twice, 44100));
    EXPECT_NEAR(double(fast) / base, 2.0, 0.02);
    EXPECT_NEAR(base, 882, 4);  // 441 Hz for one second
    EXPECT_TRUE(twice.playing);
    Mix(twice, 1000);  // past the end of the two seconds at double rate
    EXPECT_FALSE(twice.playing);
    EXPECT_EQ(twice.position, 0);
}

TEST(Mixer, LoopingVoicesWrapAroundWithoutAGap) {
    auto tone = ToneData(44100, 440, 0.1);  // 44 whole cycles: a seamless loop
    Voice v{tone, 0, 0, 0, 0, true, true};
    auto out = Mix(v, 44100);  // ten loops
    EXPECT_TRUE(v.playing);
    float maxJump = 0;
    for (size_t i = 2; i < out.size(); i += 2) maxJump = std::max(maxJump, std::fabs(out[i] - out[i - 2]));
    EXPECT_LT(maxJump, 0.04f);  // no click at the loop point
    EXPECT_NEAR(Rms(out, 0), 0.5 / std::sqrt(2.0), 0.01);
}

TEST(Limiter, ABusyMixHasNoFullScaleFlatTopsAndAQuietMixIsUntouched) {
    // 32 full-scale tones at full volume (they add up far past full scale), then 4 quiet ones.
    struct Mixes {
        int voices;
        double amplitude;
        float master;
    };
    for (Mixes m : {Mixes{32, 1.0, 1.0f}, Mixes{4, 0.15, 1.0f}, Mixes{4, 0.15, 0.7f}}) {
        SCOPED_TRACE(std::to_string(m.voices) + " voices");
        std::vector<std::shared_ptr<PcmData>> tones;
        std::vector<Voice> voices, raw;
        for (int i = 0; i < m.voices; ++i) {
            auto tone = std::make_shared<PcmData>();
            tone->rate = 44100;
            tone->channels = 1;
            tone->samples = vr::testing::Tone(44100, 97.0 + 31.0 * i, 1.0, m.amplitude);
            voices.push_back(Voice{tone, 0, (i % 5 - 2) * 500, 0, 0, true, true});
        }
        raw = voices;
        std::vector<Voice*> limited, unlimited;
        for (size_t i = 0; i < voices.size(); ++i) limited.push_back(&voices[i]), unlimited.push_back(&raw[i]);
        Limiter limiter;
        std::vector<float> out, mix;
        std::vector<float> block(2 * 1024), plain(2 * 1024);
        for (int b = 0; b < 43; ++b) {  // one second
            MixBlock(limited, {}, m.master, limiter, block.data(), 1024, 44100);
            MixVoices(unlimited, plain.data(), 1024, 44100);
            out.insert(out.end(), block.begin(), block.end());
            for (float x : plain) mix.push_back(x * m.master);
        }
        float mixPeak = 0, peak = 0;
        int flatRuns = 0;
        for (size_t k = 0; k < out.size(); ++k) {
            mixPeak = std::max(mixPeak, std::fabs(mix[k]));
            peak = std::max(peak, std::fabs(out[k]));
            flatRuns += k >= 4 && std::fabs(out[k]) > 0.9f && out[k] == out[k - 2] && out[k] == out[k - 4];
        }
        if (m.voices == 32) {
            EXPECT_GT(mixPeak, 4.0f) << "a busy mix";
            EXPECT_LT(peak, Limiter::kCeiling) << "nothing reaches full scale";
            EXPECT_EQ(flatRuns, 0) << "no flat tops";
            EXPECT_GT(Rms(out, 0), 0.1) << "turned down, not silenced";
        } else {
            EXPECT_LE(mixPeak, Limiter::kKnee);
            EXPECT_EQ(out, mix) << "sample for sample";
        }
    }
}

TEST(SoundFiles, LoadWavesAndRefuseOtherFiles) {
    std::string dir = vr::testing::FreshFolder("soundfiles");
    vr::testing::WriteWave16(dir + "/t.wav", 8000, 2, std::vector<float>(1600, 0.25f));
    PcmData d;
    std::string err;
    ASSERT_EQ(LoadSoundFile(dir + "\\t.wav", d, err), SoundFault::kNone) << err;
    EXPECT_EQ(d.rate, 8000);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.Frames(), 800);
    EXPECT_NEAR(d.samples[10], 0.25f, 0.001f);
    vr::testing::WriteBytes(dir + "/bad.wav", "RIFF....not a wave at all");
    EXPECT_EQ(LoadSoundFile(dir + "/bad.wav", d, err), SoundFault::kNotASound);
    EXPECT_EQ(LoadSoundFile(dir + "/missing.wav", d, err), SoundFault::kMissing);
    EXPECT_EQ(err, "the file does not exist");
}
