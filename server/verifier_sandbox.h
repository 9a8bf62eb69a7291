// The process that proves a replay runs the game on untrusted bytes, so it
// runs fenced in. Everything it needs is prepared in the server beforehand;
// the calls made after fork are system calls only (the server has threads).
//
// Always: no network (a seccomp filter refuses socket and connect), no new
// privileges, limits on processor time, address space, file size, open files
// and core files. When the server runs as root, also: an unprivileged user
// (nobody by default), a mount namespace in which every file system is
// read-only but the scratch folder, an empty network namespace, and a limit
// on that user's processes.
//
// A keeper process stands between the server and the verifier: it adopts
// whatever the verifier starts (a child subreaper), so every descendant is
// killed when the verifier ends or runs past its deadline, even one that
// left the process group with setsid.
#pragma once
#include <linux/filter.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace scores {

struct SandboxPlan {
    std::vector<sock_filter> filter;  // the seccomp program (empty: none could be made)
    bool dropUser = false;            // the server is root: run as uid/gid below
    uid_t uid = 0;
    gid_t gid = 0;
    std::string folder;               // the scratch folder, the only writable place when dropping
    long cpuSeconds = 60, memoryMiB = 1024;
};

// Prepares the filter and looks up the user (when running as root); false
// with the reason when the user does not exist or the filter cannot be made.
bool PrepareSandbox(const std::string& user, SandboxPlan& plan, std::string& why);

// What the keeper says of the verifier once it ended.
struct KeeperReport {
    int status = 0;       // as waitpid gives it
    int timedOut = 0;     // killed at the deadline
    int64_t cpuMs = 0;    // its processor time (user and system)
};

// In the child of fork: becomes the keeper, starts the verifier (argv, envp)
// in the sandbox with its standard output and error on outFd and errFd,
// waits for it until `deadlineNs` (CLOCK_MONOTONIC), kills every descendant
// left, writes a KeeperReport to reportFd and exits.
[[noreturn]] void RunKeeper(const SandboxPlan& plan, char* const* argv, char* const* envp, int outFd, int errFd,
                            int reportFd, int64_t deadlineNs);

// CLOCK_MONOTONIC in nanoseconds.
int64_t MonotonicNs();

}  // namespace scores
