// The music player's filter graph on its own, in a process whose audio
// driver cannot open: what still works without a sound device.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "music/filter_graph.h"
#include "platform/audio.h"
#include "sound_file_writer.h"
#include "test_files.h"

using namespace korva2d::media;

TEST(FilterGraph, WithoutASoundDeviceLoadingLengthAndPositionWorkAndPlaybackIsSilent) {
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

    EXPECT_EQ(graph->Run(), vr::com::S_FALSE) << "runs, but nothing can be heard";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(position->get_CurrentPosition(&seconds), vr::com::S_OK);
    EXPECT_EQ(seconds, 0.0) << "nothing was heard, so the position stays";
    EXPECT_EQ(position->put_CurrentPosition(1.25), vr::com::S_OK);
    position->get_CurrentPosition(&seconds);
    EXPECT_DOUBLE_EQ(seconds, 1.25);

    EXPECT_EQ(audio->put_Volume(1), vr::com::E_INVALIDARG);
    EXPECT_EQ(audio->put_Balance(-10001), vr::com::E_INVALIDARG);
    EXPECT_EQ(position->put_Rate(0), vr::com::E_INVALIDARG);
    EXPECT_EQ(position->put_CurrentPosition(-1), vr::com::E_INVALIDARG);
    graph.reset();
    EXPECT_EQ(position->get_Duration(&seconds), vr::com::S_OK) << "a view keeps the graph alive";
    unsetenv("SDL_AUDIODRIVER");
}
