// Headless verification speed: replayed game seconds per CPU second of
// `VortexRaiders --verify` (start-up included), for a recorded session of at
// least three minutes of game time.
//
//   verify_bench [REPLAY]
//
// Without a replay, one is recorded first: the autopilot plays runs on a
// simulated clock without a display until a top-ten entry's replay covers
// three minutes (each entry's replay holds the session up to its run's end).
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr double kFramesPerSecond = 26.0;
constexpr int kThreeMinutes = 3 * 60 * 26;

std::string Game() { return (fs::path(VR_BIN_DIR) / "VortexRaiders").string(); }

// Runs a program, its standard output into `out`; answers its status and CPU seconds.
int Run(const std::vector<std::string>& args, std::string& out, double& cpuSeconds) {
    std::string outFile = (fs::temp_directory_path() / ("verify_bench_out_" + std::to_string(getpid()))).string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    cpuSeconds = double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
                 double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
    std::ifstream in(outFile);
    out.assign(std::istreambuf_iterator<char>(in), {});
    fs::remove(outFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

int FramesOf(const std::string& verifyOutput) {
    size_t at = verifyOutput.find("frames ");
    return at == std::string::npos ? 0 : std::atoi(verifyOutput.c_str() + at + 7);
}

// Records sessions until a replay covers three minutes; answers its path.
std::string RecordLongReplay(const fs::path& home) {
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    fs::create_directories(home);
    fs::path answers = home / "answers.txt";
    {
        std::ofstream a(answers);
        for (int i = 0; i < 400; ++i) a << "Bench\n";
    }
    setenv("VR_DIALOG_SCRIPT", answers.c_str(), 1);
    std::string out;
    double cpu = 0;
    for (int runs = 20; runs <= 80; runs *= 2) {
        fs::remove_all(home / "data");
        std::printf("recording: the autopilot plays %d runs on a simulated clock...\n", runs);
        std::fflush(stdout);
        Run({Game(), "--autopilot", "--fast-clock", "--pilot-wait", "6", "--pilot-runs", std::to_string(runs)}, out,
            cpu);
        std::string best;
        int bestFrames = 0;
        for (const auto& e : fs::directory_iterator(home / "data" / "vrplatform" / "system" / "Top10-replays")) {
            if (e.path().extension() != ".vrr") continue;
            int frames = 0;
            Run({Game(), "--verify", e.path().string()}, out, cpu);
            frames = FramesOf(out);
            if (frames > bestFrames) {
                bestFrames = frames;
                best = e.path().string();
            }
        }
        if (bestFrames >= kThreeMinutes) return best;
    }
    std::fprintf(stderr, "verify_bench: no replay of three minutes could be recorded\n");
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    fs::path home = fs::temp_directory_path() / ("verify_bench_" + std::to_string(getpid()));
    std::string replay = argc > 1 ? argv[1] : RecordLongReplay(home);
    std::string out;
    double best = 1e9;
    int frames = 0;
    for (int i = 0; i < 3; ++i) {
        double cpu = 0;
        if (Run({Game(), "--verify", replay}, out, cpu) != 0) {
            std::fprintf(stderr, "verify_bench: %s is not proved:\n%s", replay.c_str(), out.c_str());
            return 1;
        }
        frames = FramesOf(out);
        best = std::min(best, cpu);
    }
    double gameSeconds = frames / kFramesPerSecond;
    std::printf("replay: %s (%zu bytes)\n", replay.c_str(), size_t(fs::file_size(replay)));
    std::printf("replayed: %d frames = %.1f game seconds\n", frames, gameSeconds);
    std::printf("verify CPU time (start-up included, best of 3): %.3f s\n", best);
    std::printf("speed: %.0f game seconds per CPU second (target at least 100)\n", gameSeconds / best);
    if (argc <= 1) fs::remove_all(home);
    return 0;
}
