// The music player's filter graph on its own, in a process whose audio
// driver cannot open: what still works without a sound device.
#include <gtest/gtest.h>

#include <cstdlib>

#include "music/filter_graph.h"
#include "platform/audio.h"
#include "platform/kernel.h"
#include "platform_testing/manual_clock.h"
#include "sound_file_writer.h"
#include "test_files.h"

using namespace korva2d::media;

TEST(FilterGraph, WithoutASoundDeviceLoadingLengthAndAClockedPositionWorkAndPlaybackIsSilent) {
    if (vr::audio::Device::Instance().IsOpen()) GTEST_SKIP() << "an earlier test in this process opened the device";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::string dir = vr::testing::FreshFolder("filter-graph");
    ASSERT_TRUE(vr::testing::WriteStereoTone(dir + "/song.flac", 44100, 440, 2.5, 0.3, 0.3));

    auto graph = CreateFilterGraph();
    auto position = QueryMediaPosition(graph);
    auto audio = QueryBasicAudio(graph);
    double seconds = -1;
    EXPECT_EQ(position->get_Duration(&seconds), VFW_E_WRONG_STATE) << "nothing rendered yet";
    EXPECT_EQ(graph->RenderFile(dir + "/missing.flac"), VFW_E_NOT_FOUND);
    ASSERT_EQ(graph->RenderFile(dir + "\\song.flac"), vr::com::S_OK);
    EXPECT_EQ(graph->RenderFile(dir + "/song.flac"), VFW_E_WRONG_STATE) << "one file per graph";
    EXPECT_EQ(position->get_Duration(&seconds), vr::com::S_OK);
    EXPECT_DOUBLE_EQ(seconds, 2.5);

    // Nothing is heard, and the position follows the clock.
    vr::UseManualClock(true, 5'000'000'000);
    auto after = [&](double elapsed) {
        vr::AdvanceManualClock(int64_t(elapsed * 1e9));
        double now = -1;
        EXPECT_EQ(position->get_CurrentPosition(&now), vr::com::S_OK);
        return now;
    };
    EXPECT_EQ(graph->Run(), vr::com::S_FALSE) << "runs, but nothing can be heard";
    EXPECT_DOUBLE_EQ(after(0.5), 0.5);
    EXPECT_EQ(position->put_Rate(2.0), vr::com::S_OK);
    EXPECT_DOUBLE_EQ(after(0.25), 1.0) << "twice as fast";
    EXPECT_DOUBLE_EQ(after(10), 2.5) << "the end, where playing stopped";
    EXPECT_EQ(position->put_CurrentPosition(1.25), vr::com::S_OK);
    EXPECT_DOUBLE_EQ(after(1), 1.25) << "stopped at the end, so it stays where it was put";
    EXPECT_EQ(graph->Run(), vr::com::S_FALSE);
    EXPECT_DOUBLE_EQ(after(0.25), 1.75);
    EXPECT_EQ(graph->Stop(), vr::com::S_OK);
    EXPECT_DOUBLE_EQ(after(1), 1.75) << "stopped";
    vr::UseManualClock(false);

    EXPECT_EQ(audio->put_Volume(1), vr::com::E_INVALIDARG);
    EXPECT_EQ(audio->put_Balance(-10001), vr::com::E_INVALIDARG);
    EXPECT_EQ(position->put_Rate(0), vr::com::E_INVALIDARG);
    EXPECT_EQ(position->put_CurrentPosition(-1), vr::com::E_INVALIDARG);
    graph.reset();
    EXPECT_EQ(position->get_Duration(&seconds), vr::com::S_OK) << "a view keeps the graph alive";
    unsetenv("SDL_AUDIODRIVER");
}
