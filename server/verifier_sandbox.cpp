#include "verifier_sandbox.h"

#include <fcntl.h>
#include <linux/mount.h>
#include <linux/seccomp.h>
#include <pwd.h>
#include <sched.h>
#include <seccomp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <grp.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <cstring>

namespace scores {

namespace {

constexpr rlim_t kFileLimit = 16 << 20;  // the largest file the verifier may write
constexpr rlim_t kOpenFiles = 256;
constexpr rlim_t kUserProcesses = 256;   // of the verifier's user (threads count)

void Limit(int resource, rlim_t soft, rlim_t hard) {
    rlimit r{soft, hard};
    setrlimit(resource, &r);
}

void Say(int fd, const char* text) {
    ssize_t ignored = write(fd, text, std::strlen(text));
    (void)ignored;
}

// Root only: a view of the file systems in which only the scratch folder can
// be written, and a network namespace with no interface up. Each step that
// the kernel refuses is left out; the user change must hold.
void Enclose(const SandboxPlan& plan) {
    if (unshare(CLONE_NEWNS | CLONE_NEWNET) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
        mount(plan.folder.c_str(), plan.folder.c_str(), nullptr, MS_BIND, nullptr) == 0) {
        mount_attr readOnly{};
        readOnly.attr_set = MOUNT_ATTR_RDONLY | MOUNT_ATTR_NOSUID | MOUNT_ATTR_NODEV;
        syscall(SYS_mount_setattr, -1, "/", AT_RECURSIVE, &readOnly, sizeof readOnly);
        mount_attr writable{};
        writable.attr_clr = MOUNT_ATTR_RDONLY;
        syscall(SYS_mount_setattr, -1, plan.folder.c_str(), 0, &writable, sizeof writable);
    }
}

// The verifier itself, in the keeper's child: never returns.
[[noreturn]] void StartVerifier(const SandboxPlan& plan, char* const* argv, char* const* envp, int outFd, int errFd) {
    dup2(outFd, 1);
    dup2(errFd, 2);
    int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, 0);
    close_range(3, ~0u, 0);  // none of the server's sockets or files
    if (plan.dropUser) {
        Enclose(plan);
        Limit(RLIMIT_NPROC, kUserProcesses, kUserProcesses);
        if (setgroups(0, nullptr) != 0 || setgid(plan.gid) != 0 || setuid(plan.uid) != 0) {
            Say(2, "vortex-scores: cannot run the verifier as its user\n");
            _exit(126);
        }
    }
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    if (!plan.filter.empty()) {
        sock_fprog program{static_cast<unsigned short>(plan.filter.size()), const_cast<sock_filter*>(plan.filter.data())};
        if (prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
            Say(2, "vortex-scores: cannot close the verifier's network\n");
            _exit(126);
        }
    }
    const rlim_t cpu = rlim_t(plan.cpuSeconds), memory = rlim_t(plan.memoryMiB) << 20;
    Limit(RLIMIT_CPU, cpu, cpu + 1);
    if (memory) Limit(RLIMIT_AS, memory, memory);
    Limit(RLIMIT_FSIZE, kFileLimit, kFileLimit);
    Limit(RLIMIT_CORE, 0, 0);
    Limit(RLIMIT_NOFILE, kOpenFiles, kOpenFiles);
    if (chdir(plan.folder.c_str()) == 0) execve(argv[0], argv, envp);
    Say(2, "vortex-scores: cannot run the verifier\n");
    _exit(127);
}

// Kills every child of this process until none is left: a killed child's own
// children come to this process (a subreaper), and are killed in turn.
void KillDescendants() {
    char path[64] = "/proc/self/task/";
    char digits[16];
    int n = 0;
    for (pid_t p = getpid(); p > 0; p /= 10) digits[n++] = char('0' + p % 10);
    size_t at = std::strlen(path);
    while (n > 0) path[at++] = digits[--n];
    std::memcpy(path + at, "/children", 10);
    for (;;) {
        pid_t reaped;
        while ((reaped = waitpid(-1, nullptr, WNOHANG)) > 0) {
        }
        if (reaped < 0 && errno == ECHILD) return;
        int fd = open(path, O_RDONLY | O_CLOEXEC);
        char buffer[4096];
        ssize_t got = fd >= 0 ? read(fd, buffer, sizeof buffer - 1) : -1;
        if (fd >= 0) close(fd);
        pid_t pid = 0;
        for (ssize_t i = 0; i <= got; ++i) {
            if (i < got && buffer[i] >= '0' && buffer[i] <= '9') {
                pid = pid * 10 + (buffer[i] - '0');
            } else if (pid) {
                kill(pid, SIGKILL);
                pid = 0;
            }
        }
        timespec pause{0, 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

}  // namespace

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool PrepareSandbox(const std::string& user, SandboxPlan& plan, std::string& why) {
    if (geteuid() == 0) {
        passwd* pw = getpwnam(user.c_str());
        if (!pw) {
            why = "there is no user " + user + " to run the verifier as";
            return false;
        }
        if (pw->pw_uid == 0) {
            why = "the verifier must not run as root (" + user + ")";
            return false;
        }
        plan.dropUser = true;
        plan.uid = pw->pw_uid;
        plan.gid = pw->pw_gid;
    }
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
    bool made = ctx && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EACCES), SCMP_SYS(socket), 0) == 0 &&
                seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EACCES), SCMP_SYS(connect), 0) == 0;
    int fd = made ? memfd_create("verifier-filter", MFD_CLOEXEC) : -1;
    made = fd >= 0 && seccomp_export_bpf(ctx, fd) == 0;
    off_t size = made ? lseek(fd, 0, SEEK_END) : 0;
    if (made && size > 0 && size % off_t(sizeof(sock_filter)) == 0) {
        plan.filter.resize(size_t(size) / sizeof(sock_filter));
        made = pread(fd, plan.filter.data(), size_t(size), 0) == size;
    } else {
        made = false;
    }
    if (fd >= 0) close(fd);
    if (ctx) seccomp_release(ctx);
    if (!made) {
        plan.filter.clear();
        why = "the verifier's seccomp filter cannot be made";
        return false;
    }
    return true;
}

void RunKeeper(const SandboxPlan& plan, char* const* argv, char* const* envp, int outFd, int errFd, int reportFd,
               int64_t deadlineNs) {
    // Every other descriptor goes: the server's other threads make pipes and
    // accept connections at any moment, and a keeper holding another
    // verification's pipe or a client's socket would keep them open until it ends.
    int kept[3] = {outFd, errFd, reportFd};
    std::sort(std::begin(kept), std::end(kept));
    unsigned from = 3;
    for (int fd : kept) {
        if (unsigned(fd) > from) close_range(from, unsigned(fd) - 1, 0);
        from = unsigned(fd) + 1;
    }
    close_range(from, ~0u, 0);
    prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
    pid_t verifier = fork();
    if (verifier == 0) {
        close(reportFd);
        StartVerifier(plan, argv, envp, outFd, errFd);
    }
    close(outFd);
    close(errFd);
    KeeperReport report;
    if (verifier < 0) {
        report.status = 127 << 8;
    } else {
        bool killed = false;
        for (;;) {
            int status = 0;
            rusage usage{};
            pid_t done = wait4(-1, &status, WNOHANG, &usage);
            if (done == verifier) {
                report.status = status;
                report.cpuMs = int64_t(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
                               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
                break;
            }
            if (done > 0) continue;  // something the verifier started and left
            if (!killed && MonotonicNs() >= deadlineNs) {
                kill(verifier, SIGKILL);
                killed = true;
                report.timedOut = 1;
                continue;
            }
            timespec pause{0, 10 * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
    }
    KillDescendants();
    ssize_t ignored = write(reportFd, &report, sizeof report);
    (void)ignored;
    _exit(0);
}

}  // namespace scores
