// Calls that must return promptly and cheaply: each runs under an alarm that
// ends the test program with a message when it hangs, and its wall time and
// the growth of the process's peak memory are checked, without sleeping.
#pragma once
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <string>

namespace vr::testing {

inline long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs f; if it has not returned after `limit` seconds the program ends with status 3.
// With `bounded`, expects it to take under a second and under 64 MB of extra memory.
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
    auto start = std::chrono::steady_clock::now();
    alarm(limit);
    f();
    alarm(0);
    if (!bounded) return;
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0) << what;
    EXPECT_LT(PeakResidentKb() - peak, 64 * 1024) << what << ": extra peak memory in KB";
}

}  // namespace vr::testing
