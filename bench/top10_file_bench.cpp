// LoadTop10 and SaveTop10 on a clean Top10.ini and on one damaged to 10 MB
// (random bytes before the table). Prints milliseconds per call and the
// whole-file parses each costs. Usage: top10_file_bench [FOLDER] (default: a
// fresh folder below /tmp, removed afterwards).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <utility>
#include <sstream>

#include "core/game_state.h"
#include "platform/kernel.h"
#include "kernel/profile_seams.h"
#include "scores/top_ten.h"

namespace {

template <class F>
void Measure(const char* what, int times, F f) {
    uint64_t parses = vr::ProfileParseCount();
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < times; ++i) f();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("  %-10s %8.2f ms per call, %.1f parses per call (%d calls)\n", what, ms / times,
                double(vr::ProfileParseCount() - parses) / times, times);
}

void Run(const char* title, int times) {
    std::printf("%s (%ju bytes):\n", title, uintmax_t(std::filesystem::file_size(vr::NativePath(game::Top10Path()))));
    Measure("LoadTop10", times, game::LoadTop10);
    Measure("SaveTop10", times, [] {
        // A new result at the top moves every place down: all 40 keys change.
        for (int i = 10; i > 1; --i) std::swap(game::G.TopTen[i], game::G.TopTen[i - 1]);
        game::SaveTop10();
    });
    Measure("LoadTop10", times, game::LoadTop10);
}

}  // namespace

int main(int argc, char** argv) {
    bool own = argc < 2;
    std::string folder = own ? "/tmp/top10-bench-" + std::to_string(::getpid()) : argv[1];
    std::filesystem::create_directories(folder);
    game::G.ScoreDir = folder;
    std::filesystem::remove(vr::NativePath(game::Top10Path()));
    for (int i = 1; i <= 10; ++i) game::G.TopTen[i] = game::ScoreEntry{"Player " + std::to_string(i), int16_t(500 - i), 60, 50};
    game::SaveTop10();
    Run("clean Top10.ini", 20);

    const std::string path = vr::NativePath(game::Top10Path());
    std::ifstream in(path, std::ios::binary);
    std::stringstream table;
    table << in.rdbuf();
    in.close();
    std::string junk(10 << 20, '\0');
    std::mt19937 random(10);
    for (char& c : junk) c = char(random());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << junk << "\r\n" << table.str();
    Run("Top10.ini damaged to 10 MB", 3);
    if (own) std::filesystem::remove_all(folder);
    return 0;
}
