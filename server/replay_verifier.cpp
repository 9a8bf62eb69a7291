#include "replay_verifier.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
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
#include <stdexcept>
#include <thread>
#include <vector>

#include "score_protocol.h"
#include "verifier_report.h"

namespace scores {

namespace {

namespace fs = std::filesystem;

constexpr size_t kKeptOutput = 64 * 1024;  // of each of the verifier's two outputs

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
    if (exitStatus == score_protocol::kVerifyRefused && score_protocol::ParseRefusal(err, v.why)) return v;
    if (exitStatus != score_protocol::kVerifyProved) {
        std::string said = LastLine(err);
        return ServerFault("the verifier failed (status " + std::to_string(exitStatus) + ")" +
                           (said.empty() ? "" : ": " + said));
    }
    if (!score_protocol::ParseReport(out, v.report)) {
        v.why = "the verifier's answer for this replay cannot be read";
        return v;
    }
    v.proved = true;
    return v;
}

ReplayVerifier::ReplayVerifier(std::string game, const VerifierLimits& limits) : game_(std::move(game)), limits_(limits) {
    std::string why;
    if (!PrepareSandbox(limits_.user, plan_, why)) throw std::runtime_error(why);
    plan_.cpuSeconds = limits_.cpuSeconds;
    plan_.memoryMiB = limits_.memoryMiB;
}

int ReplayVerifier::AtOnce() const {
    return limits_.atOnce > 0 ? limits_.atOnce : int(std::max(1u, std::thread::hardware_concurrency()));
}

std::string ReplayVerifier::DescribeSandbox() const {
    return plan_.dropUser ? "as " + limits_.user + ", without network, files read-only but its scratch folder"
                          : "as this user, without network (run the server as root for a separate user)";
}

Verdict ReplayVerifier::Verify(const std::string& replay) {
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
    if (plan_.dropUser && (chown(scratch.path.c_str(), plan_.uid, plan_.gid) != 0 ||
                           chmod((scratch.path + "/run.vrr").c_str(), 0644) != 0))
        return ServerFault("the server cannot hand the scratch folder to " + limits_.user);
    return Run(scratch.path);
}

Verdict ReplayVerifier::Run(const std::string& folder) {
    std::vector<std::string> args = {game_, "--verify", folder + "/run.vrr"};
    std::vector<std::string> env = VerifierEnvironment(folder);
    std::vector<char*> argv = Pointers(args), envp = Pointers(env);
    int pipes[3][2];  // standard output, standard error, the keeper's report
    int made = 0;
    while (made < 3 && pipe2(pipes[made], O_CLOEXEC) == 0) ++made;
    auto closeAll = [&](int end) {
        for (int i = 0; i < made; ++i)
            if (pipes[i][end] >= 0) close(pipes[i][end]), pipes[i][end] = -1;
    };
    if (made < 3) {
        closeAll(0);
        closeAll(1);
        return ServerFault("the server cannot start the verifier: no pipe");
    }
    SandboxPlan plan = plan_;
    plan.folder = folder;
    const int64_t deadline = MonotonicNs() + int64_t(limits_.wallSeconds) * 1000000000;
    pid_t keeper = fork();
    if (keeper == 0) {
        // The child: only system calls from here on (the server has threads).
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);  // the server's blocked stop signals are not the verifier's
        setpgid(0, 0);
        close(pipes[0][0]);
        close(pipes[1][0]);
        close(pipes[2][0]);
        RunKeeper(plan, argv.data(), envp.data(), pipes[0][1], pipes[1][1], pipes[2][1], deadline);
    }
    closeAll(1);
    if (keeper < 0) {
        closeAll(0);
        return ServerFault("the server cannot start the verifier: " + std::string(std::strerror(errno)));
    }
    // Both outputs are read to their end (what is over the kept size is
    // dropped), then the keeper's report; the keeper kills the verifier at the
    // deadline, and is itself killed a little later if it has not answered.
    const int64_t patience = deadline + int64_t(5) * 1000000000;
    std::string out, err, report;
    pollfd fds[3] = {{pipes[0][0], POLLIN, 0}, {pipes[1][0], POLLIN, 0}, {pipes[2][0], POLLIN, 0}};
    std::string* sinks[3] = {&out, &err, &report};
    int reading = 3;
    while (reading > 0) {
        int64_t left = (patience - MonotonicNs()) / 1000000;
        if (left <= 0) break;
        if (poll(fds, 3, int(std::min<int64_t>(left, 1000))) < 0 && errno != EINTR) break;
        for (int i = 0; i < 3; ++i) {
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
    kill(-keeper, SIGKILL);  // the keeper is done or overdue; its group with it
    while (waitpid(keeper, nullptr, 0) < 0 && errno == EINTR) {
    }
    KeeperReport kept;
    if (report.size() != sizeof kept) return ServerFault("the verifier's keeper did not answer in time");
    std::memcpy(&kept, report.data(), sizeof kept);
    const double cpuSeconds = double(kept.cpuMs) / 1000.0;
    Verdict refused;
    if (kept.timedOut) {
        // Past the real-time deadline without using its processor time: the
        // machine was too busy, which is no fault of the replay.
        if (cpuSeconds < 0.8 * limits_.cpuSeconds)
            return ServerFault("the verifier did not finish in " + std::to_string(limits_.wallSeconds) +
                               " s of real time, having had " + std::to_string(int(cpuSeconds)) +
                               " s of processor time");
        refused.why = "the replay took longer than " + std::to_string(limits_.wallSeconds) + " s to verify";
        return refused;
    }
    int status = kept.status;
    if (WIFSIGNALED(status)) {
        int signal = WTERMSIG(status);
        if (signal == SIGXCPU || signal == SIGKILL) {
            refused.why = "the replay took more than " + std::to_string(limits_.cpuSeconds) +
                          " s of processor time to verify";
            return refused;
        }
        std::string said = LastLine(err);
        refused.why = "the verifier stopped on signal " + std::to_string(signal) + " (" + strsignal(signal) + ")" +
                      (limits_.memoryMiB ? ", perhaps over its memory limit of " + std::to_string(limits_.memoryMiB) + " MiB" : "") +
                      (said.empty() ? "" : ": " + said);
        return refused;
    }
    return ReadVerdict(WEXITSTATUS(status), out, err);
}

}  // namespace scores
