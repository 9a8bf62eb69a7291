// Plays a 60-second 44.1 kHz stereo MP3 through MP3Player on SDL's disk audio
// driver (output to /dev/null) and prints the CPU time it costs per second of
// music, beside the time libsndfile alone takes to decode the same file; then
// the memory the player holds while playing a one-hour file.
//
//   music_bench [--speed N]   N > 1 runs the device N times faster than real time
//
// The test files are written on the first run into music-bench/ beside the
// program (the one-hour file takes about a minute to encode) and kept.
#include <malloc.h>
#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "korva2d/korva2d_calls.h"
#include "platform/audio_stream.h"

using namespace korva2d;
using namespace korva2d::calls;
namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// CPU seconds of each thread of this process by its name (from the scheduler's statistics).
std::map<std::string, double> CpuByThread() {
    std::map<std::string, double> out;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm"), stat(task.path() / "schedstat");
        std::string name;
        double ns = 0;
        if (std::getline(comm, name) && (stat >> ns)) out[name] += ns / 1e9;
    }
    return out;
}

// Heap bytes in use (small blocks and mapped ones).
double HeapBytes() {
    struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd);
}

double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    double size = 0, resident = 0;
    statm >> size >> resident;
    return resident * double(sysconf(_SC_PAGESIZE));
}

// A chord that changes every half second with a slight vibrato and a little
// noise, so that the encoder spends bits as on music; `noise` off for the
// hour-long file, which only has to be long.
bool WriteMusic(const std::string& path, double seconds, bool noise) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    int mode = SF_BITRATE_MODE_CONSTANT;
    double level = 0.6;  // about 160 kbit/s
    sf_command(f, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
    sf_command(f, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    const double roots[4] = {220.0, 261.6, 329.6, 392.0};
    std::vector<float> block(2 * 4096);
    uint32_t x = 1;
    int64_t total = int64_t(seconds * kRate);
    for (int64_t at = 0; at < total;) {
        int64_t n = std::min<int64_t>(4096, total - at);
        for (int64_t i = 0; i < n; ++i) {
            double t = double(at + i) / kRate;
            double root = roots[int64_t(t * 2) % 4] * (1 + 0.003 * std::sin(2 * M_PI * 5 * t));
            double s = 0;
            for (int h = 1; h <= 6; ++h) s += std::sin(2 * M_PI * root * h * t) / (h * 2.5);
            x = x * 1664525u + 1013904223u;
            double nz = noise ? (double(x >> 8) / 16777216.0 - 0.5) * 0.05 : 0.0;
            block[size_t(2 * i)] = float(0.3 * s + nz);
            block[size_t(2 * i + 1)] = float(0.3 * s - nz);
        }
        sf_writef_float(f, block.data(), n);
        at += n;
    }
    return sf_close(f) == 0;
}

bool EnsureMusic(const std::string& path, double seconds, bool noise) {
    if (fs::exists(path)) return true;
    std::printf("writing %s (%.0f s of music)...\n", path.c_str(), seconds);
    std::fflush(stdout);
    std::string partial = path + ".part";
    if (!WriteMusic(partial, seconds, noise)) return false;
    fs::rename(partial, path);
    return true;
}

// CPU seconds libsndfile alone takes to decode the whole file (best of three).
double BareDecodeSeconds(const std::string& path) {
    double best = 1e9;
    std::vector<float> buffer(2 * 4096);
    for (int run = 0; run < 3; ++run) {
        double start = ThreadCpuSeconds();
        SF_INFO info{};
        SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
        if (!f) return -1;
        while (sf_readf_float(f, buffer.data(), 4096) > 0) {
        }
        sf_close(f);
        best = std::min(best, ThreadCpuSeconds() - start);
    }
    return best;
}

// CPU seconds per second of music that libsndfile alone takes to decode the
// file at the pace of playback: one chunk of the player's size, then a wait
// as long as the chunk plays (shortened by `speed`), for `seconds` of music.
double PacedDecodeSeconds(const std::string& path, double seconds, double speed) {
    const int64_t chunk = vr::audio::StreamVoice::kChunkFrames;
    std::vector<float> buffer(size_t(2 * chunk));
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return -1;
    double cpu = 0;
    int64_t decoded = 0;
    while (decoded < int64_t(seconds * kRate)) {
        double start = ThreadCpuSeconds();
        sf_count_t n = sf_readf_float(f, buffer.data(), chunk);
        cpu += ThreadCpuSeconds() - start;
        if (n <= 0) break;
        decoded += n;
        std::this_thread::sleep_for(std::chrono::microseconds(int64_t(1e6 * double(n) / kRate / speed)));
    }
    sf_close(f);
    return cpu / (double(decoded) / kRate);
}

}  // namespace

int main(int argc, char** argv) {
    double speed = 1;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--speed") == 0) speed = std::max(1.0, std::atof(argv[i + 1]));
    // The disk driver waits one block's time (1024 frames) between blocks.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", std::to_string(int(std::lround(1024.0 * 1000 / kRate / speed))).c_str(), 1);

    fs::path dir = fs::canonical("/proc/self/exe").parent_path() / "music-bench";
    fs::create_directories(dir);
    std::string minute = (dir / "minute.mp3").string(), hour = (dir / "hour.mp3").string();
    if (!EnsureMusic(minute, 60, true) || !EnsureMusic(hour, 3600, false)) {
        std::printf("cannot write the test music in %s\n", dir.c_str());
        return 1;
    }

    auto engine = Create<_Engine>(CLSID_Engine, IID__Engine);
    Korva2D_Start_OnlySound(*engine, 0, dir.string());  // AppPath, and the device opens
    auto player = Create<_MP3Player>(CLSID_MP3Player, IID__MP3Player);

    // The open device's own cost, paid whether music plays or not (the disk
    // driver's thread waking for every block): its thread's time over 3 s.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto idleBefore = CpuByThread();
    auto idleStart = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(int(3000 / speed)));
    auto idleAfter = CpuByThread();
    double idleWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - idleStart).count();

    // Playing the minute through, in real time (or --speed times faster).
    auto threadsBefore = CpuByThread();
    double processBefore = ProcessCpuSeconds();
    auto wallBefore = std::chrono::steady_clock::now();
    double callsBefore = ThreadCpuSeconds();
    if (!LoadMP3(*player, "minute.mp3")) {
        std::printf("the player could not load %s\n", minute.c_str());
        return 1;
    }
    int32_t length = GetDuration(*player);
    PlayMP3(*player);
    double calls = ThreadCpuSeconds() - callsBefore;  // opening, checking and the first fill of the ring
    while (GetCurrentPosition(*player) < length) std::this_thread::sleep_for(std::chrono::milliseconds(250));
    std::this_thread::sleep_for(std::chrono::milliseconds(int(600 / speed)));  // the last half second
    double process = ProcessCpuSeconds() - processBefore;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    auto threadsAfter = CpuByThread();
    StopMP3(*player);

    // The player's threads: the decoder, and the device's thread less its idle cost.
    double decoder = 0, device = 0, deviceIdle = 0;
    for (auto& [name, seconds] : threadsAfter) {
        double used = seconds - threadsBefore[name];
        if (name.rfind("vr-stream", 0) == 0) decoder += used;
        if (name.rfind("SDLAudio", 0) == 0) {
            device += used;
            deviceIdle += (idleAfter[name] - idleBefore[name]) / idleWall * wall;
        }
    }
    double bareLoad = BareDecodeSeconds(minute) / 60;
    double pacedLoad = PacedDecodeSeconds(minute, 20, speed);
    double playing = (calls + decoder + device - deviceIdle) / length;
    std::printf("music_bench: %d s of 44.1 kHz stereo MP3 (%.0f kbit/s), played through the disk audio driver "
                "in %.1f s\n", length, double(fs::file_size(minute)) * 8 / 60 / 1000, wall);
    std::printf("  CPU time per second of music:\n");
    std::printf("    libsndfile alone, decoding the file at once (best of 3):    %.3f ms\n", bareLoad * 1e3);
    std::printf("    libsndfile alone, decoding at the pace of playback:        %.3f ms\n", pacedLoad * 1e3);
    std::printf("    the player: loading and starting %.3f, decoder thread %.3f, mixing %.3f = %.3f ms\n",
                calls / length * 1e3, decoder / length * 1e3, (device - deviceIdle) / length * 1e3, playing * 1e3);
    std::printf("    the whole process while playing (with the idle device's %.3f ms): %.3f ms\n",
                deviceIdle / length * 1e3, process / length * 1e3);
    std::printf("  playback / bare decode: %.2fx at once, %.2fx at the same pace (target <= 1.3x); "
                "%.3f %% of one core (target < 3 %%)\n",
                playing / bareLoad, playing / pacedLoad, playing * 100);

    // Memory: what playing a file adds to the process, for the minute and the hour.
    for (const char* name : {"minute.mp3", "hour.mp3"}) {
        player = Create<_MP3Player>(CLSID_MP3Player, IID__MP3Player);
        malloc_trim(0);
        double heap = HeapBytes(), rss = ResidentBytes();
        auto start = std::chrono::steady_clock::now();
        if (!LoadMP3(*player, name)) return 1;
        PlayMP3(*player);
        double startMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(int(2000 / speed)));
        std::printf("  playing %-10s (%4d s): heap +%.0f KiB, resident +%.0f KiB; LoadMP3 and PlayMP3 took %.1f ms\n",
                    name, GetDuration(*player), (HeapBytes() - heap) / 1024, (ResidentBytes() - rss) / 1024, startMs);
        StopMP3(*player);
    }
    return 0;
}
