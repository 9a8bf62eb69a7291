// The replay file's reader: bounds, versions and damaged or hostile bytes
// answered with a reason, and readings played back as they were recorded.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "kernel/replay_stream.h"
#include "platform/kernel.h"
#include "platform/random.h"
#include "platform/replay.h"

namespace {

using namespace vr::replay;

// A recording of a few frames made through the seam as the platform makes it.
Replay SampleReplay(int frames = 40) {
    StartRecording();
    for (int f = 0; f < frames; ++f) {
        Frame(uint32_t(f * 7), f == frames - 1);  // the last frame kept, as a sealed end is
        seam::Tick(1000 + f * 38);
        seam::Timer(3600.0f + float(f) * 0.04f);
        seam::NoteEvent({seam::kMouseMove, 3, 0, 0, 100 + f, 400 - f});
        if (f % 5 == 0) seam::NoteEvent({seam::kMouseDown, 3, 1, 0, 100 + f, 400 - f});
        if (f == 20) seam::DialogAnswer([] { return std::string("Ace"); });
        if (f == 30) seam::NoteEvent({seam::kDeactivate, 3});
    }
    Replay r;
    r.header = Header{"1.2.3", 300, 500, 1700000000, 4242, "0"};
    r.claim = Claim{1, 120, 61, 40, "Ace"};
    r.frames = RecordedFrames();
    r.stream = RecordedStream();
    Stop();
    return r;
}

TEST(ReplayFile, EncodedReplayReadsBackWhole) {
    Replay r = SampleReplay();
    r.header.drivers = 5;
    Replay back;
    std::string why;
    // Format 1 (no drivers) is still read.
    Replay old = r;
    old.format = 1;
    ASSERT_TRUE(Decode(Encode(old), back, why)) << why;
    EXPECT_EQ(back.format, 1);
    EXPECT_EQ(back.header.drivers, 0u);
    EXPECT_EQ(back.stream, r.stream);
    ASSERT_TRUE(Decode(Encode(r), back, why)) << why;
    EXPECT_EQ(back.header.drivers, 5u);
    EXPECT_EQ(back.header.gameVersion, "1.2.3");
    EXPECT_EQ(back.header.fieldHeight, 500);
    EXPECT_EQ(back.header.randomState, 4242u);
    EXPECT_EQ(back.claim.score, 120);
    EXPECT_EQ(back.claim.name, "Ace");
    EXPECT_EQ(back.frames, 40u);
    EXPECT_EQ(back.stream, r.stream);
}

TEST(ReplayFile, PlaybackAnswersTheRecordedReadingsAndEvents) {
    Replay r = SampleReplay();
    StartPlaying(r.stream, r.frames);
    for (int f = 0; f < 40; ++f) {
        Frame(uint32_t(f * 7));
        ASSERT_EQ(seam::Tick(-5), 1000 + f * 38);
        ASSERT_EQ(seam::Timer(0.0f), 3600.0f + float(f) * 0.04f);
        seam::Event e;
        ASSERT_TRUE(seam::NextEvent(e));
        EXPECT_EQ(e.x, 100 + f);
        EXPECT_EQ(e.y, 400 - f);
        if (f % 5 == 0) {
            ASSERT_TRUE(seam::NextEvent(e));
            EXPECT_EQ(e.kind, seam::kMouseDown);
            EXPECT_EQ(e.button, 1);
        }
        if (f == 20) {
            EXPECT_EQ(seam::DialogAnswer([] { return std::string("live"); }), "Ace");
        }
        if (f == 30) {
            ASSERT_TRUE(seam::NextEvent(e));
            EXPECT_EQ(e.kind, seam::kDeactivate);
            EXPECT_EQ(e.target, 3);
        }
    }
    EXPECT_TRUE(PlaybackOver());
    EXPECT_EQ(PlaybackFault(), "");
    Stop();
}

TEST(ReplayFile, PlaybackThatDepartsFromItsRecordingFails) {
    Replay r = SampleReplay();
    StartPlaying(r.stream, r.frames);
    Frame(0);
    seam::DialogAnswer([] { return std::string(); });  // the recording holds a tick here
    EXPECT_TRUE(PlaybackOver());
    EXPECT_NE(PlaybackFault().find("dialog answer"), std::string::npos) << PlaybackFault();
    Stop();
    // A state that differs at a checked frame.
    StartPlaying(r.stream, r.frames);
    for (int f = 0; f < 40 && !PlaybackOver(); ++f) {
        Frame(f == 31 ? 1 : uint32_t(f * 7));
        seam::Tick(0);
        seam::Timer(0);
        seam::Event e;
        while (seam::NextEvent(e)) {
        }
        if (f == 20) seam::DialogAnswer([] { return std::string(); });
    }
    EXPECT_NE(PlaybackFault().find("departs"), std::string::npos) << PlaybackFault();
    Stop();
}

// Plays a stream back frame by frame with the recording's readings; the fault.
std::string PlayedFault(const std::string& stream, uint32_t frames, bool everyHash) {
    StartPlaying(stream, frames, everyHash);
    for (uint32_t f = 0; f < frames && !PlaybackOver(); ++f) {
        Frame(f * 7);
        seam::Tick(0);
        seam::Timer(0);
        seam::Event e;
        while (seam::NextEvent(e)) {
        }
        if (f == 20) seam::DialogAnswer([] { return std::string(); });
    }
    std::string fault = PlaybackFault();
    Stop();
    return fault;
}

TEST(ReplayFile, AStreamWithoutAHashWhereOneIsKeptFailsWhenEveryHashIsRequired) {
    using namespace vr::replay::coding;
    Replay r = SampleReplay();
    // The checked frame at `which` (0: the 32nd frame, 1: the last) made a plain one.
    for (int which : {0, 1}) {
        Reader in{&r.stream};
        Item item;
        std::string stripped;
        int checked = 0;
        while (NextItem(in, item)) {
            bool strip = item.tag == kFrameChecked && checked++ == which;
            stripped += strip ? std::string(1, char(kFrame)) : r.stream.substr(item.start, item.end - item.start);
        }
        EXPECT_NE(PlayedFault(stripped, r.frames, true).find("lacks the state hash"), std::string::npos) << which;
        EXPECT_EQ(PlayedFault(stripped, r.frames, false), "") << which;  // an old format's playback
    }
    EXPECT_EQ(PlayedFault(r.stream, r.frames, true), "");
}

TEST(ReplayFile, BadFilesAreRefusedWithAReason) {
    std::string good = Encode(SampleReplay());
    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;
    };
    std::string wrongVersion = good;
    wrongVersion[4] = 9;
    std::string hugeInflated = good;
    hugeInflated[9] = char(0x7F);
    Replay tooLong = SampleReplay();
    tooLong.frames = kMaxFrames + 1;
    tooLong.stream.assign(kMaxFrames + 1, '\0');
    const Case cases[] = {
        {"empty", "", "not a Vortex Raiders replay"},
        {"other file", "PK\x03\x04 something else", "not a Vortex Raiders replay"},
        {"wrong version", wrongVersion, "format version 9"},
        {"truncated", good.substr(0, good.size() - 5), "damaged"},
        {"over the file bound", std::string("VRRP\x01\x00", 6) + std::string(kMaxFileBytes, 'x'), "over the bound"},
        {"over the inflated bound", hugeInflated, "over the bound"},
        {"too many frames", Encode(tooLong), "more than"},
    };
    for (const Case& c : cases) {
        Replay out;
        std::string why;
        EXPECT_FALSE(Decode(c.bytes, out, why)) << c.what;
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.what << ": " << why;
    }
}

// Seeded hostile inputs: random bytes, cut and changed files, and changed
// readings coded validly; every one is read or refused, and a readable one
// plays back to its end without a fault that is not reported.
TEST(ReplayFile, HostileBytesAreReadOrRefusedNeverTrusted) {
    std::mt19937 rng(27);
    Replay base = SampleReplay(120);
    std::string good = Encode(base);
    for (int i = 0; i < 3000; ++i) {
        std::string bytes;
        switch (i % 4) {
            case 0: {
                bytes.resize(rng() % 200);
                for (char& c : bytes) c = char(rng());
                if (i % 8 == 0 && bytes.size() >= 4) bytes.replace(0, 4, "VRRP");
                break;
            }
            case 1: bytes = good.substr(0, rng() % good.size()); break;
            case 2: {
                bytes = good;
                for (int k = 0; k < 1 + int(rng() % 4); ++k) bytes[rng() % bytes.size()] ^= char(1 + rng() % 255);
                break;
            }
            default: {
                Replay r = base;
                for (int k = 0; k < 1 + int(rng() % 6); ++k) r.stream[rng() % r.stream.size()] = char(rng());
                bytes = Encode(r);
            }
        }
        Replay out;
        std::string why;
        if (!Decode(bytes, out, why)) {
            EXPECT_FALSE(why.empty());
            continue;
        }
        StartPlaying(out.stream, out.frames);
        for (uint32_t f = 0; f <= out.frames + 1 && !PlaybackOver(); ++f) {
            Frame(f * 7);
            seam::Tick(0);
            seam::Timer(0);
            seam::Event e;
            while (seam::NextEvent(e)) {
            }
            seam::DialogAnswer([] { return std::string(); });
        }
        EXPECT_TRUE(PlaybackOver());
        Stop();
    }
}

TEST(ReplayFile, SuspendedReadingsAreNeitherRecordedNorPlayed) {
    StartRecording();
    seam::Tick(10);
    {
        SuspendReadings upload;
        seam::Tick(20);
        seam::DialogAnswer([] { return std::string("OK"); });
    }
    seam::Tick(30);
    std::string stream = RecordedStream();
    Stop();
    StartPlaying(stream, 0);
    EXPECT_EQ(seam::Tick(0), 10);
    EXPECT_EQ(seam::Tick(0), 30);
    EXPECT_TRUE(PlaybackOver());
    EXPECT_EQ(PlaybackFault(), "");
    Stop();
}

}  // namespace
