// Calls that must return promptly and cheaply: each runs under an alarm that
// ends the test program with a message when it hangs, and the processor time
// it took and the growth of the process's peak memory are checked (not the
// wall time, which a busy machine stretches). Under the sanitizers the bounds
// are five times as wide and memory is not checked (AddressSanitizer's
// quarantine keeps freed blocks).
#pragma once
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <string>

namespace vr::testing {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// The process's processor time (user and system), in seconds.
inline double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs f; if it has not returned after `limit` seconds the program ends with status 3.
// With `bounded`, expects it to take under a second of processor time and under 64 MB of extra memory.
template <class F>
void RunWatched(const std::string& what, F&& f, bool bounded = true, unsigned limit = 10) {
    static char running[256];
    std::strncpy(running, what.c_str(), sizeof running - 1);
    std::signal(SIGALRM, [](int) {
        const char text[] = "\nWATCHDOG: this call did not return within its limit: ";
        [[maybe_unused]] ssize_t n = write(2, text, sizeof text - 1);
        n = write(2, running, std::strlen(running));
        _exit(3);
    });
    long peak = PeakResidentKb();
    double start = ProcessorSeconds();
    alarm(limit);
    f();
    alarm(0);
    if (!bounded) return;
    EXPECT_LT(ProcessorSeconds() - start, kSanitized ? 5.0 : 1.0) << what << ": processor seconds";
    if (!kSanitized) {
        EXPECT_LT(PeakResidentKb() - peak, 64 * 1024) << what << ": extra peak memory in KB";
    }
}

}  // namespace vr::testing
