// Plays through the real audio device with SDL's disk driver and measures
// what came out of the mixer.
#include <gtest/gtest.h>

#include <cmath>

#include "disk_audio.h"
#include "korva2d/korva2d_calls.h"
#include "test_files.h"
#include "wave_writer.h"

using namespace korva2d;
using namespace korva2d::calls;

namespace {

const vr::testing::DiskAudio kAudio;

struct Segment {
    double rmsLeft = 0, rmsRight = 0;
    int crossings = 0;
};

Segment Measure(const std::vector<float>& all, size_t from, size_t to) {
    Segment s;
    double l = 0, r = 0;
    for (size_t i = from; i < to; ++i) {
        l += double(all[2 * i]) * all[2 * i];
        r += double(all[2 * i + 1]) * all[2 * i + 1];
        if (i > from) s.crossings += (all[2 * i - 1] < 0) != (all[2 * i + 1] < 0);
    }
    s.rmsLeft = std::sqrt(l / double(to - from));
    s.rmsRight = std::sqrt(r / double(to - from));
    return s;
}

}  // namespace

TEST(SoundOutput, VolumePanFrequencyLoopAndStopReachTheDevice) {
    std::string dir = vr::testing::FreshFolder("sound-output");
    vr::testing::WriteWave16(dir + "/tone.wav", 44100, 1, vr::testing::Tone(44100, 440, 0.5));
    auto engine = Create<_Engine>(CLSID_Engine, IID__Engine);
    ASSERT_EQ(Korva2D_Start_OnlySound(*engine, 0, dir), -1);
    CreateSound(*engine, "tone", "tone.wav");

    // Each phase: the action, the device's buffers in flight after it skipped, then
    // 8192 frames measured; the device's own pace, whatever the machine's load.
    std::vector<std::pair<size_t, size_t>> spans;
    auto phase = [&](auto&& action) {
        action();
        size_t from = kAudio.Await(3 * 1024);
        spans.push_back({from, kAudio.Await(8192)});
    };
    phase([&] { SoundPlay(*engine, "tone", -1, 100); });
    phase([&] { SoundPlay(*engine, "tone", -1, 50); });
    phase([&] { SoundPlay(*engine, "tone", -1, 100, 100); });
    phase([&] { SoundPlay(*engine, "tone", -1, 100, 0, 88); });  // 88 kHz: twice the file's 44.1 kHz
    phase([&] { SoundStop(*engine); });

    std::vector<float> all = kAudio.Samples();
    std::vector<Segment> seg;
    for (auto [from, to] : spans) {
        ASSERT_TRUE(to >= from + 8192 && all.size() / 2 >= to) << "the device did not advance in phase " << seg.size();
        seg.push_back(Measure(all, from, to));
    }
    auto db = [](double a, double b) { return 20 * std::log10(a / b); };
    EXPECT_NEAR(seg[0].rmsLeft, 0.5 / std::sqrt(2.0), 0.02);                  // the looping tone keeps playing
    EXPECT_NEAR(db(seg[0].rmsLeft, seg[1].rmsLeft), 50.0, 0.5);              // volume 100 against 50
    EXPECT_LT(db(seg[2].rmsLeft + 1e-12, seg[0].rmsLeft), -90.0);            // pan 100: left silent
    EXPECT_NEAR(db(seg[2].rmsRight, seg[0].rmsRight), 0.0, 0.2);
    double perFrame0 = double(seg[0].crossings) / double(spans[0].second - spans[0].first);
    double perFrame3 = double(seg[3].crossings) / double(spans[3].second - spans[3].first);
    EXPECT_NEAR(perFrame3 / perFrame0, 88000.0 / 44100.0, 0.05);             // the pitch doubles
    EXPECT_LT(seg[4].rmsLeft + seg[4].rmsRight, 1e-6);                        // stop silences all
}
