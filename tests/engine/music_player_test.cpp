// The MP3Player class as a client sees it, created by class identity, playing
// through the real audio device on SDL's disk driver: what the mixer put out
// is read back from the capture file and measured.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <set>
#include <thread>

#include "disk_audio.h"
#include "korva2d/korva2d_calls.h"
#include "log_lines.h"
#include "sound_file_writer.h"
#include "test_files.h"
#include "wave_writer.h"

using namespace korva2d;
using namespace korva2d::calls;

namespace {

constexpr int kRate = 44100;
// At a real device's pace: played faster, the decoder thread had to keep up
// faster than any player needs, and on a busy machine it did not (a gap).
const vr::testing::DiskAudio kAudio;

double Rms(const std::vector<float>& all, size_t from, size_t to, int channel) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(all[2 * i + channel]) * all[2 * i + channel];
    return std::sqrt(sum / double(to - from));
}

// The amplitude of one frequency in a stretch of one channel (Goertzel).
double AmplitudeAt(const std::vector<float>& all, size_t from, size_t to, int channel, double hz) {
    double w = 2 * M_PI * hz / kRate, c = 2 * std::cos(w), s1 = 0, s2 = 0;
    for (size_t i = from; i < to; ++i) {
        double s = all[2 * i + channel] + c * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    double power = s1 * s1 + s2 * s2 - c * s1 * s2;
    return 2 * std::sqrt(power) / double(to - from);
}

double Db(double a, double b) { return 20 * std::log10(a / b); }

class MusicPlayer : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = vr::testing::FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        engine_ = Create<_Engine>(CLSID_Engine, IID__Engine);
        ASSERT_EQ(Korva2D_Start_OnlySound(*engine_, 0, dir_), -1);  // AppPath, and the device opens
        player_ = Create<_MP3Player>(CLSID_MP3Player, IID__MP3Player);
    }
    std::string Path(const std::string& name) { return dir_ + "/" + name; }
    std::string LastLog() {
        auto lines = vr::testing::LogMessages(dir_ + "/log.txt");
        return lines.empty() ? "" : lines.back();
    }
    // 440 Hz for the first second, 880 Hz after it; the left side at 0.5, the right at 0.25.
    void WriteTwoToneMp3(const std::string& name, double seconds) {
        ASSERT_TRUE(vr::testing::WriteSoundFile(Path(name), kRate, 2, int64_t(seconds * kRate), [](int64_t i, float* o) {
            double hz = i < kRate ? 440 : 880;
            double s = std::sin(2 * M_PI * hz * double(i) / kRate + 0.25 * M_PI);
            o[0] = float(0.5 * s);
            o[1] = float(0.25 * s);
        }));
    }
    std::string dir_;
    vr::com::ComPtr<_Engine> engine_;
    vr::com::ComPtr<_MP3Player> player_;
};

}  // namespace

TEST_F(MusicPlayer, LengthsOfEachFormatInWholeSecondsTiesToEven) {
    struct Case {
        const char* name;
        int rate;
        double seconds;
        int32_t expected;
    };
    for (Case c : {Case{"long.mp3", 22050, 205.6, 206}, {"a.ogg", 44100, 2.5, 2}, {"b.flac", 44100, 3.5, 4},
                   {"c.opus", 48000, 1.4, 1}, {"d.wav", 8000, 0.6, 1}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(vr::testing::WriteStereoTone(Path(c.name), c.rate, 440, c.seconds, 0.3, 0.3));
        EXPECT_EQ(LoadMP3(*player_, c.name), -1);
        EXPECT_EQ(GetDuration(*player_), c.expected);
        EXPECT_EQ(GetCurrentPosition(*player_), 0);
    }
}

TEST_F(MusicPlayer, MembersBeforeAnyLoadAnswerZeroAndDoNothing) {
    int32_t volume = 150;
    EXPECT_EQ(player_->SetVolume(volume), vr::com::S_OK);
    EXPECT_EQ(volume, 150);
    EXPECT_EQ(player_->PlayMP3(), vr::com::S_OK);
    VBool pause = -1;
    EXPECT_EQ(player_->StopMP3(pause), vr::com::S_OK);
    EXPECT_EQ(GetCurrentPosition(*player_), 0);
    EXPECT_EQ(GetDuration(*player_), 0);
}

TEST_F(MusicPlayer, BadFilesAnswerFalseAndLogTheirPathAndWhy) {
    WriteTwoToneMp3("whole.mp3", 2.0);
    std::string whole = vr::testing::ReadBytes(Path("whole.mp3"));
    vr::testing::WriteBytes(Path("empty.mp3"), "");
    vr::testing::WriteBytes(Path("text.mp3"), "this is not a sound at all, just some words");
    vr::testing::WriteBytes(Path("cut.mp3"), whole.substr(0, whole.size() / 2));
    ASSERT_TRUE(vr::testing::WriteStereoTone(Path("whole.flac"), kRate, 440, 2.0, 0.3, 0.3));
    std::string flac = vr::testing::ReadBytes(Path("whole.flac"));
    vr::testing::WriteBytes(Path("cut.flac"), flac.substr(0, flac.size() / 2));
    ASSERT_TRUE(vr::testing::WriteStereoTone(Path("whole.wav"), kRate, 440, 2.0, 0.3, 0.3));
    std::string wav = vr::testing::ReadBytes(Path("whole.wav"));
    vr::testing::WriteBytes(Path("half.wav"), wav.substr(0, wav.size() / 2));
    vr::testing::WriteBytes(Path("cut1000.wav"), wav.substr(0, 1000));
    std::filesystem::create_directory(Path("folder.mp3"));
    ASSERT_EQ(mkfifo(Path("pipe.mp3").c_str(), 0600), 0);
    // An ID3v2 tag (10 bytes of header, 20 of content) before the frames is no fault.
    vr::testing::WriteBytes(Path("tagged.mp3"), std::string("ID3\x03\0\0\0\0\0\x14", 10) + std::string(20, '\0') + whole);
    EXPECT_EQ(LoadMP3(*player_, "tagged.mp3"), -1);
    EXPECT_EQ(GetDuration(*player_), 2);
    struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"missing.mp3", "the file does not exist"},
        {"empty.mp3", "the file is empty"},
        {"text.mp3", "it is not a sound libsndfile reads: "},
        {"cut.mp3", "the file is cut short: its MP3 frames hold "},
        {"cut.flac", "the file is cut short or damaged: it does not decode to its end"},
        {"half.wav", "the file is cut short: its data chunk holds "},
        {"cut1000.wav", "the file is cut short: its data chunk holds "},
        {"folder.mp3", "it is a folder, not a file"},
        {"pipe.mp3", "it is a FIFO, device or socket, not a file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoadMP3(*player_, "whole.mp3"), -1);
        EXPECT_EQ(LoadMP3(*player_, c.name), 0);
        EXPECT_EQ(LastLog().rfind("Error loading mp3 file: " + dir_ + "\\" + c.name + " (" + c.reason, 0), 0u) << LastLog();
        EXPECT_EQ(GetDuration(*player_), 0) << "the first file was released";
        PlayMP3(*player_);
        SetVolume(*player_);
        EXPECT_EQ(GetCurrentPosition(*player_), 0);
    }
}

TEST_F(MusicPlayer, VolumeIsCappedAtFullAndEffectsMixOverTheMusic) {
    WriteTwoToneMp3("tone.mp3", 3.0);
    vr::testing::WriteWave16(Path("fx.wav"), kRate, 1, vr::testing::Tone(kRate, 1500, 0.5, 0.2));
    CreateSound(*engine_, "fx", "fx.wav");
    ASSERT_EQ(LoadMP3(*player_, "tone.mp3"), -1);
    int32_t volume = 150;
    SetVolume(*player_, volume);
    EXPECT_EQ(volume, 100) << "the caller's variable is capped";

    // Each phase: the action, one block in flight skipped, then 8192 frames measured.
    std::vector<std::pair<size_t, size_t>> spans;
    auto phase = [&](auto&& action) {
        action();
        size_t from = kAudio.Await(2048);
        spans.push_back({from, kAudio.Await(8192)});
    };
    phase([&] { PlayMP3(*player_); });
    phase([&] {
        int32_t half = 50;
        SetVolume(*player_, half);
    });
    phase([&] {
        SetVolume(*player_);
        SoundPlay(*engine_, "fx", -1);
    });
    phase([&] {
        SoundStop(*engine_);
        int32_t zero = 0;
        SetVolume(*player_, zero);
    });
    EXPECT_EQ(GetCurrentPosition(*player_), 0) << "volume 0 stops and rewinds";

    auto all = kAudio.Samples();
    ASSERT_GE(all.size() / 2, spans.back().second);
    auto [f0, t0] = spans[0];
    EXPECT_NEAR(Db(Rms(all, f0, t0, 0), 0.5 / std::sqrt(2.0)), 0.0, 0.5) << "full volume, left as recorded";
    EXPECT_NEAR(Db(Rms(all, f0, t0, 1), 0.25 / std::sqrt(2.0)), 0.0, 0.5) << "balance centred";
    EXPECT_NEAR(Db(Rms(all, f0, t0, 0), Rms(all, spans[1].first, spans[1].second, 0)), 50.0, 0.5) << "volume 50";
    auto [f2, t2] = spans[2];
    EXPECT_NEAR(Db(AmplitudeAt(all, f2, t2, 0, 440), 0.5), 0.0, 0.5) << "the music goes on under the effect";
    EXPECT_NEAR(Db(AmplitudeAt(all, f2, t2, 0, 1500), 0.2), 0.0, 0.5) << "the effect mixes over it";
    EXPECT_EQ(Rms(all, spans[3].first, spans[3].second, 0) + Rms(all, spans[3].first, spans[3].second, 1), 0.0);
}

TEST_F(MusicPlayer, PositionFollowsWhatWasHeardAndTheEndLeavesSilence) {
    WriteTwoToneMp3("song.mp3", 2.6);
    ASSERT_EQ(LoadMP3(*player_, "song.mp3"), -1);
    size_t start = kAudio.Await(0);
    PlayMP3(*player_);
    struct Sample {
        size_t before, after;
        int32_t seconds;
    };
    std::vector<Sample> samples;
    for (int i = 0; i < 3000 && (samples.empty() || samples.back().seconds < 3); ++i) {
        size_t before = kAudio.Frames();
        int32_t s = GetCurrentPosition(*player_);
        samples.push_back({before, kAudio.Frames(), s});
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    size_t end = kAudio.Await(16384);  // past the last tenth of a second, then 8192 frames more
    EXPECT_EQ(GetCurrentPosition(*player_), 3) << "the position stays at the end (2.6 s)";

    auto all = kAudio.Samples();
    ASSERT_GE(all.size() / 2, end);
    // Frames heard since PlayMP3: those that are not silence.
    std::vector<size_t> heard(end + 1, 0);
    for (size_t i = start; i < end; ++i) heard[i + 1] = heard[i] + (all[2 * i] != 0.0f || all[2 * i + 1] != 0.0f);
    EXPECT_NEAR(double(heard[end]) / kRate, 2.6, 0.01) << "every frame was heard once";
    std::set<int32_t> seen;
    for (const Sample& s : samples) {
        // The device's buffers in flight blur what was heard by a few blocks.
        double low = double(heard[std::min(s.before, end)]) / kRate - 4096.0 / kRate;
        double high = double(heard[std::min(s.after, end)]) / kRate + 4096.0 / kRate;
        EXPECT_GE(s.seconds, std::nearbyint(low)) << "at frame " << s.before;
        EXPECT_LE(s.seconds, std::nearbyint(high)) << "at frame " << s.after;
        seen.insert(s.seconds);
    }
    EXPECT_EQ(seen, (std::set<int32_t>{0, 1, 2, 3})) << "the position advanced second by second";
    // After the end: silence, and no frame of it is counted as heard.
    EXPECT_EQ(Rms(all, end - 8192, end, 0), 0.0);
}

TEST_F(MusicPlayer, PauseThenPlayStartsFromTheBeginning) {
    WriteTwoToneMp3("song.mp3", 2.6);
    ASSERT_EQ(LoadMP3(*player_, "song.mp3"), -1);
    PlayMP3(*player_);
    for (int i = 0; i < 3000 && GetCurrentPosition(*player_) < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    StopMP3(*player_, -1);
    size_t paused = kAudio.Await(4096);
    EXPECT_EQ(GetCurrentPosition(*player_), 2) << "a pause keeps the position";
    PlayMP3(*player_);
    size_t from = kAudio.Await(2048), to = kAudio.Await(8192);
    StopMP3(*player_);
    EXPECT_EQ(GetCurrentPosition(*player_), 0) << "a stop rewinds";

    auto all = kAudio.Samples();
    ASSERT_GE(all.size() / 2, to);
    EXPECT_EQ(Rms(all, paused - 2048, paused, 0), 0.0) << "the pause is silent";
    // Playing again starts in the first second (440 Hz), not at the pause (880 Hz).
    EXPECT_NEAR(Db(AmplitudeAt(all, from, to, 0, 440), 0.5), 0.0, 0.5);
    EXPECT_LT(AmplitudeAt(all, from, to, 0, 880), 0.01);
}

TEST_F(MusicPlayer, ASecondLoadStopsAndReleasesTheFirst) {
    WriteTwoToneMp3("first.mp3", 2.0);
    ASSERT_TRUE(vr::testing::WriteStereoTone(Path("second.flac"), kRate, 440, 3.2, 0.3, 0.3));
    ASSERT_EQ(LoadMP3(*player_, "first.mp3"), -1);
    PlayMP3(*player_);
    kAudio.Await(4096);
    ASSERT_EQ(LoadMP3(*player_, "second.flac"), -1);
    EXPECT_EQ(GetDuration(*player_), 3);
    EXPECT_EQ(GetCurrentPosition(*player_), 0);
    size_t from = kAudio.Await(2048), to = kAudio.Await(8192);
    auto all = kAudio.Samples();
    ASSERT_GE(all.size() / 2, to);
    EXPECT_EQ(Rms(all, from, to, 0), 0.0) << "the first file no longer plays, the second has not started";
}

TEST_F(MusicPlayer, ALoopingTunePlaysPastItsEndFromItsBeginning) {
    WriteTwoToneMp3("song.mp3", 1.2);  // 440 Hz for a second, then 880 Hz
    ASSERT_EQ(LoadMP3(*player_, "song.mp3"), -1);
    size_t start = kAudio.Await(0);
    LoopMP3(*player_);
    // Positions while a lap and a half play.
    std::vector<int32_t> positions;
    size_t until = start + size_t(2.0 * kRate);
    for (int i = 0; i < 5000 && kAudio.Frames() < until; ++i) {
        positions.push_back(GetCurrentPosition(*player_));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    size_t end = kAudio.Await(0);
    ASSERT_GE(end, until);
    int laps = 0;
    for (size_t i = 1; i < positions.size(); ++i) laps += positions[i] < positions[i - 1];
    EXPECT_EQ(laps, 1) << "the position went back to the start at the end";
    for (int32_t p : positions) EXPECT_LE(p, 1) << "the position stays within the tune's length";

    auto all = kAudio.Samples();
    ASSERT_GE(all.size() / 2, end);
    // The second lap, 0.1 s to 0.7 s after the first end: the first second's tone, at full level.
    size_t from = start + size_t(1.3 * kRate), to = start + size_t(1.9 * kRate);
    EXPECT_NEAR(Db(AmplitudeAt(all, from, to, 0, 440), 0.5), 0.0, 1.0);
    EXPECT_LT(AmplitudeAt(all, from, to, 0, 880), 0.02);
    StopMP3(*player_);
    EXPECT_EQ(GetCurrentPosition(*player_), 0);
    PlayMP3(*player_);
    kAudio.Await(size_t(1.4 * kRate));
    EXPECT_EQ(GetCurrentPosition(*player_), 1) << "PlayMP3 after LoopMP3 plays once and stays at the end";
}
