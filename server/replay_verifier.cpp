#include "replay_verifier.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "score_protocol.h"

namespace scores {

namespace {

namespace fs = std::filesystem;

constexpr size_t kKeptOutput = 64 * 1024;    // of each of the verifier's two outputs
constexpr rlim_t kFileLimit = 16 << 20;      // the largest file the verifier may write
constexpr const char* kRefusedMark = "is refused: ";
constexpr int kQueueSeconds = 30;  // the longest a replay waits for a free verifier

// The environment of the verifier: no display, no sound device, its home in
// the scratch folder; the sanitizers' settings pass through for test builds.
std::vector<std::string> VerifierEnvironment(const std::string& folder) {
    std::vector<std::string> env = {"PATH=/usr/bin:/bin",
                                    "HOME=" + folder,
                                    "XDG_DATA_HOME=" + folder + "/data",
                                    "XDG_CONFIG_HOME=" + folder + "/config",
                                    "TMPDIR=" + folder,
                                    "LC_ALL=C",
                                    "SDL_VIDEODRIVER=dummy",
                                    "SDL_AUDIODRIVER=dummy",
                                    "KORVA2D_LOG=quiet"};
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "LD_LIBRARY_PATH"})
        if (const char* v = std::getenv(name)) env.push_back(std::string(name) + "=" + v);
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (auto& t : texts) out.push_back(t.data());
    out.push_back(nullptr);
    return out;
}

void Limit(int resource, rlim_t soft, rlim_t hard) {
    rlimit r{soft, hard};
    setrlimit(resource, &r);
}

// The last line of a text that says something.
std::string LastLine(const std::string& text) {
    std::string line, last;
    std::istringstream in(text);
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

Verdict ServerFault(const std::string& why) {
    Verdict v;
    v.why = why;
    v.serverFault = true;
    return v;
}

struct Scratch {
    std::string path;
    ~Scratch() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
};

}  // namespace

Verdict ReadVerdict(int exitStatus, const std::string& out, const std::string& err) {
    Verdict v;
    if (exitStatus == 1) {
        std::string line = LastLine(err);
        size_t at = line.find(kRefusedMark);
        if (at != std::string::npos) {
            v.why = line.substr(at + std::strlen(kRefusedMark));
            return v;
        }
    }
    if (exitStatus != 0) {
        std::string said = LastLine(err);
        return ServerFault("the verifier failed (status " + std::to_string(exitStatus) + ")" +
                           (said.empty() ? "" : ": " + said));
    }
    // Each of the three lines exactly once: a second one (a name could hold
    // a line break) makes the answer unreadable rather than overriding.
    int scores = 0, times = 0, names = 0;
    bool readable = true;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        size_t space = line.find(' ');
        if (space == std::string::npos) continue;
        std::string key = line.substr(0, space), value = line.substr(space + 1);
        char* end = nullptr;
        long number = std::strtol(value.c_str(), &end, 10);
        bool isNumber = !value.empty() && end && !*end && value.find_first_not_of("-0123456789") == std::string::npos;
        if (key == "score") {
            ++scores;
            readable &= isNumber;
            v.score = int32_t(number);
        } else if (key == "time") {
            ++times;
            readable &= isNumber;
            v.time = int32_t(number);
        } else if (key == "nname") {
            ++names;
            readable &= score_protocol::PercentDecode(value, v.name);
        }
    }
    if (!readable || scores != 1 || times != 1 || names != 1) {
        v.why = "the verifier's answer for this replay cannot be read";
        return v;
    }
    v.proved = true;
    return v;
}

ReplayVerifier::ReplayVerifier(std::string game, const VerifierLimits& limits)
    : game_(std::move(game)),
      limits_(limits),
      slots_(limits.atOnce > 0 ? limits.atOnce : std::max(1u, std::thread::hardware_concurrency())) {}

Verdict ReplayVerifier::Verify(const std::string& replay) {
    if (!slots_.try_acquire_for(std::chrono::seconds(kQueueSeconds))) {
        Verdict busy = ServerFault("every verifier is busy");
        busy.busy = true;
        return busy;
    }
    struct Release {
        std::counting_semaphore<>& s;
        ~Release() { s.release(); }
    } release{slots_};
    Scratch scratch;
    std::error_code ec;
    fs::path temporary = fs::temp_directory_path(ec);
    if (ec) return ServerFault("the server has no folder for temporary files: " + ec.message());
    std::string pattern = (temporary / "vortex-verify-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return ServerFault("the server cannot make a scratch folder: " + std::string(std::strerror(errno)));
    scratch.path = pattern;
    {
        std::ofstream file(scratch.path + "/run.vrr", std::ios::binary);
        file.write(replay.data(), std::streamsize(replay.size()));
        if (!file.flush()) return ServerFault("the server cannot write the replay to " + scratch.path);
    }
    return Run(scratch.path);
}

Verdict ReplayVerifier::Run(const std::string& folder) {
    std::vector<std::string> args = {game_, "--verify", folder + "/run.vrr"};
    std::vector<std::string> env = VerifierEnvironment(folder);
    std::vector<char*> argv = Pointers(args), envp = Pointers(env);
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) return ServerFault("the server cannot start the verifier: no pipe");
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return ServerFault("the server cannot start the verifier: no pipe");
    }
    const rlim_t cpu = rlim_t(limits_.cpuSeconds);
    const rlim_t memory = rlim_t(limits_.memoryMiB) << 20;
    pid_t pid = fork();
    if (pid == 0) {
        // The child: only calls that are safe after fork in a threaded program.
        // The server's blocked stop signals are not the verifier's.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        setpgid(0, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        int null = open("/dev/null", O_RDONLY);
        if (null >= 0) dup2(null, 0);
        close_range(3, ~0u, 0);  // none of the server's sockets or files
        Limit(RLIMIT_CPU, cpu, cpu + 1);
        if (memory) Limit(RLIMIT_AS, memory, memory);
        Limit(RLIMIT_FSIZE, kFileLimit, kFileLimit);
        Limit(RLIMIT_CORE, 0, 0);
        if (chdir(folder.c_str()) == 0) execve(argv[0], argv.data(), envp.data());
        const char* why = "vortex-scores: cannot run the verifier\n";
        ssize_t ignored = write(2, why, std::strlen(why));
        (void)ignored;
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return ServerFault("the server cannot start the verifier: " + std::string(std::strerror(errno)));
    }
    // Both outputs are read to their end (what is over the kept size is
    // dropped) until the deadline; then the verifier's whole group is killed.
    std::string out, err;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int reading = 2;
    bool timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits_.wallSeconds);
    while (reading > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        if (poll(fds, 2, int(std::min<int64_t>(left.count(), 1000))) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[4096];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, std::min(size_t(n), kKeptOutput - std::min(kKeptOutput, sinks[i]->size())));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --reading;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    // A verifier that closed its outputs is still held to the deadline.
    int status = 0;
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) break;
        if (std::chrono::steady_clock::now() >= deadline) timedOut = true;
        if (timedOut) {
            kill(-pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Verdict refused;
    if (timedOut) {
        refused.why = "the replay took longer than " + std::to_string(limits_.wallSeconds) + " s to verify";
        return refused;
    }
    if (WIFSIGNALED(status)) {
        int signal = WTERMSIG(status);
        if (signal == SIGXCPU || signal == SIGKILL) {
            refused.why = "the replay took more than " + std::to_string(limits_.cpuSeconds) +
                          " s of processor time to verify";
            return refused;
        }
        std::string said = LastLine(err);
        refused.why = "the verifier stopped on signal " + std::to_string(signal) + " (" + strsignal(signal) + ")" +
                      (memory ? ", perhaps over its memory limit of " + std::to_string(limits_.memoryMiB) + " MiB" : "") +
                      (said.empty() ? "" : ": " + said);
        return refused;
    }
    return ReadVerdict(WEXITSTATUS(status), out, err);
}

}  // namespace scores
