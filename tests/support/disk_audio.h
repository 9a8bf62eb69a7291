// SDL's disk audio driver as a test program's device, at the pace of a real
// one: what the mixer puts out goes to a capture file of the process, which
// the test reads back and measures. Declared at namespace scope, so that the
// driver is chosen before the test main picks its default.
#pragma once
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "test_files.h"

namespace vr::testing {

class DiskAudio {
public:
    DiskAudio() {
        std::filesystem::create_directories(std::filesystem::path(path_).parent_path());
        std::filesystem::remove(path_);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
    }
    ~DiskAudio() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    // The frames put out so far.
    size_t Frames() const {
        struct stat st {};
        return ::stat(path_.c_str(), &st) == 0 ? size_t(st.st_size) / 8 : 0;
    }
    // Waits until the device has put out `frames` more (at most 10 s); then Frames().
    size_t Await(size_t frames) const {
        size_t until = Frames() + frames;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (Frames() < until && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return Frames();
    }
    // The samples put out so far, left and right by turns.
    std::vector<float> Samples() const {
        std::string raw = ReadBytes(path_);
        std::vector<float> all(raw.size() / 4);
        std::memcpy(all.data(), raw.data(), all.size() * 4);
        return all;
    }

private:
    std::string path_ =
        (std::filesystem::current_path() / "scratch" / ("disk-audio-" + std::to_string(getpid()) + ".raw")).string();
};

}  // namespace vr::testing
