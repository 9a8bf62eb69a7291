// Damaged, cut, huge and non-file sounds handed to CreateSound and LoadMP3:
// every call returns within a second and under 64 MB of extra memory, and a
// refused file is logged with its path and the reason.
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <fstream>
#include <random>

#include "bounded_call.h"
#include "korva2d/korva2d_calls.h"
#include "log_lines.h"
#include "sound_file_writer.h"
#include "test_files.h"
#include "wave_writer.h"

using namespace korva2d;
using namespace korva2d::calls;
using namespace vr::testing;

namespace {

// A FLAC file whose STREAMINFO claims `frames` frames, whatever it holds.
std::string FlacClaiming(std::string flac, uint64_t frames) {
    // The 36-bit total follows the rate (20 bits), channels (3) and bits per sample (5) at byte 18.
    flac[21] = char((flac[21] & 0xF0) | ((frames >> 32) & 0x0F));
    for (int i = 0; i < 4; ++i) flac[22 + i] = char(frames >> (24 - 8 * i));
    return flac;
}

// A WAV file whose data chunk claims `bytes` bytes.
std::string WaveClaiming(std::string wav, uint32_t bytes) {
    size_t data = wav.find("data");
    for (int i = 0; i < 4; ++i) wav[data + 4 + i] = char(bytes >> (8 * i));
    return wav;
}

class HostileSounds : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshFolder("hostile-sounds");
        engine_ = Create<_Engine>(CLSID_Engine, IID__Engine);
        ASSERT_EQ(Korva2D_Start_OnlySound(*engine_, 0, dir_), -1);
        player_ = Create<_MP3Player>(CLSID_MP3Player, IID__MP3Player);
        log_ = std::make_unique<LogTail>(dir_ + "/log.txt");
    }
    std::string Path(const std::string& name) { return dir_ + "/" + name; }
    std::string Read(const std::string& name) { return ReadBytes(Path(name)); }

    // CreateSound and LoadMP3 of the file as it is; the log lines each added.
    struct Outcome {
        std::string sound, music;
        bool musicLoaded = false;
    };
    Outcome Load(const std::string& name) {
        Outcome o;
        RunWatched("CreateSound of " + name, [&] { CreateSound(*engine_, "key" + std::to_string(++keys_), name); });
        o.sound = log_->NewText();
        RunWatched("LoadMP3 of " + name, [&] { o.musicLoaded = LoadMP3(*player_, name) != 0; });
        o.music = log_->NewText();
        return o;
    }
    Outcome Load(const std::string& name, const std::string& bytes) {
        OverwriteBytes(Path(name), bytes);
        return Load(name);
    }
    // True when both members refused the file with one line each that names it and
    // gives a reason (CreateSound's holding `soundSays`, LoadMP3's `musicSays`).
    bool Refused(const Outcome& o, const std::string& name, const std::string& soundSays = "",
                 const std::string& musicSays = "") {
        std::string path = dir_ + "\\" + name;
        auto oneLine = [&](const std::string& line, const std::string& start, const std::string& says) {
            return line.rfind(start, 0) == 0 && line.find('\n') == line.size() - 1 &&
                   line.find(says) != std::string::npos && line.size() > start.size() + 12;
        };
        return oneLine(o.sound, "Error in CreateSound(" + path + ") : ", soundSays) && !o.musicLoaded &&
               oneLine(o.music, "Error loading mp3 file: " + path + " (", musicSays);
    }

    std::string dir_;
    vr::com::ComPtr<_Engine> engine_;
    vr::com::ComPtr<_MP3Player> player_;
    std::unique_ptr<LogTail> log_;
    int keys_ = 0;
};

}  // namespace

#if !defined(__SANITIZE_ADDRESS__)
TEST_F(HostileSounds, ASoundThatDoesNotFitInMemoryIsRunTimeError7) {
    ASSERT_TRUE(WriteStereoTone(Path("one.flac"), 44100, 440, 1.0, 0.3, 0.3));
    OverwriteBytes(Path("long.flac"), FlacClaiming(Read("one.flac"), 4000000));  // 32 MB of samples
    // Large blocks come from fresh mappings, and the address space is held at what it is now and 16 MB more.
    // (It runs first, before other tests leave 32 MB free in the heap; ctest runs it alone anyway.)
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    uint64_t pages = 0;
    statm >> pages;
    rlimit old{};
    getrlimit(RLIMIT_AS, &old);
    rlimit tight = old;
    tight.rlim_cur = pages * uint64_t(sysconf(_SC_PAGESIZE)) + (16u << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    CreateSound(*engine_, "long", "long.flac");
    setrlimit(RLIMIT_AS, &old);
    EXPECT_EQ(log_->NewText(), "Error in CreateSound(" + dir_ + "\\long.flac) : Run-time error 7: Out of memory\n");
}
#endif

TEST_F(HostileSounds, EveryCutOfASmallWaveAndSeededCutsOfEachFormatAreRefused) {
    WriteWave16(Path("small.wav"), 8000, 1, Tone(8000, 440, 0.05));
    std::string wav = Read("small.wav");
    Outcome whole = Load("small.wav");
    ASSERT_TRUE(whole.sound.empty() && whole.music.empty() && whole.musicLoaded) << whole.sound << whole.music;
    int wrong = 0;
    for (size_t size = 0; size < wav.size(); ++size) {
        Outcome o = Load("small.wav", wav.substr(0, size));
        if (!Refused(o, "small.wav") && ++wrong <= 3) ADD_FAILURE() << "cut at " << size << ":\n" << o.sound << o.music;
    }
    EXPECT_EQ(wrong, 0) << "of " << wav.size() << " cuts";

    const unsigned seed = 20240611;
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    for (const char* name : {"tone.flac", "tone.ogg", "tone.mp3", "tone.opus"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteStereoTone(Path(name), 48000, 440, 1.5, 0.3, 0.3));
        std::string bytes = Read(name);
        Outcome o = Load(name);
        ASSERT_TRUE(o.sound.empty() && o.musicLoaded) << o.sound << o.music;
        for (int i = 0; i < 30; ++i) {
            size_t size = random() % bytes.size();
            Outcome cut = Load(name, bytes.substr(0, size));
            EXPECT_TRUE(Refused(cut, name)) << "cut at " << size << " of " << bytes.size() << ":\n" << cut.sound << cut.music;
        }
    }
}

TEST_F(HostileSounds, LengthBombsCutWavesAndFifosAreRefusedWithTheReason) {
    ASSERT_TRUE(WriteStereoTone(Path("one.flac"), 44100, 440, 1.0, 0.3, 0.3));
    ASSERT_TRUE(WriteStereoTone(Path("one.wav"), 44100, 440, 1.0, 0.3, 0.3));
    std::string flac = Read("one.flac"), wav = Read("one.wav");
    struct {
        const char* name;
        std::string bytes;
        const char* sound;  // what CreateSound's line says
    } cases[] = {
        {"bomb.flac", FlacClaiming(flac, uint64_t(1) << 26),
         "E_INVALIDARG: an invalid parameter was passed (the sound lasts 1521.7 s (67108864 frames at 44100 Hz); "
         "a sound effect holds at most 4194304 frames (95.1 s): play it as music)"},
        {"short.flac", FlacClaiming(flac, 4000000), "DSERR_BADFORMAT: the wave format is not supported (the file is "
                                                    "cut short or damaged: it decodes to 44100 of the 4000000 frames"},
        {"tenhours.wav", WaveClaiming(wav, 0xFFFFFF00u), "(the file is cut short: its data chunk holds 176400 of the"},
        {"half.wav", wav.substr(0, wav.size() / 2), "(the file is cut short: its data chunk holds "},
        {"cut1000.wav", wav.substr(0, 1000), "(the file is cut short: its data chunk holds "},
    };
    for (const auto& c : cases) {
        Outcome o = Load(c.name, c.bytes);
        EXPECT_TRUE(Refused(o, c.name, c.sound)) << o.sound << o.music;
    }
    ASSERT_EQ(mkfifo(Path("pipe.wav").c_str(), 0600), 0);
    Outcome o = Load("pipe.wav");
    const std::string fifo = "(it is a FIFO, device or socket, not a file)";
    EXPECT_TRUE(Refused(o, "pipe.wav", fifo, fifo)) << o.sound << o.music;
}
