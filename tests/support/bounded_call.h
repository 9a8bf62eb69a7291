// Calls that must return promptly and cheaply: each runs under a watchdog that
// ends the test program with a message when it hangs, and its wall time and
// the growth of the process's peak memory are measured, without sleeping.
#pragma once
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace vr::testing {

// What one call cost.
struct CallCost {
    double seconds = 0;
    long extraPeakKb = 0;  // how far the process's peak resident memory rose during the call
};

// What a call on a hostile file may cost at most.
inline constexpr double kMaxCallSeconds = 1.0;
inline constexpr long kMaxCallExtraKb = 64 * 1024;

inline long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit) : limit_(limit), thread_([this] { Watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    // Runs f; a call still running after the limit ends the program with status 3.
    template <class F>
    CallCost Run(const std::string& what, F&& f) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            what_ = what;
            deadline_ = std::chrono::steady_clock::now() + limit_;
            armed_ = true;
        }
        wake_.notify_one();
        long peak = PeakResidentKb();
        auto start = std::chrono::steady_clock::now();
        f();
        CallCost cost;
        cost.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cost.extraPeakKb = PeakResidentKb() - peak;
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = false;
        return cost;
    }

    // Runs f and expects it to cost under kMaxCallSeconds and kMaxCallExtraKb.
    template <class F>
    void RunBounded(const std::string& what, F&& f) {
        CallCost cost = Run(what, std::forward<F>(f));
        EXPECT_LT(cost.seconds, kMaxCallSeconds) << what;
        EXPECT_LT(cost.extraPeakKb, kMaxCallExtraKb) << what;
    }

private:
    void Watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!quit_) {
            if (!armed_) {
                wake_.wait(lock);
            } else if (wake_.wait_until(lock, deadline_) == std::cv_status::timeout && armed_ &&
                       std::chrono::steady_clock::now() >= deadline_) {
                std::fprintf(stderr, "\nWATCHDOG: %s did not return within %lld s\n", what_.c_str(),
                             static_cast<long long>(limit_.count()));
                std::fflush(stderr);
                _exit(3);
            }
        }
    }

    std::chrono::seconds limit_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string what_;
    std::chrono::steady_clock::time_point deadline_;
    bool armed_ = false, quit_ = false;
    std::thread thread_;
};

}  // namespace vr::testing
