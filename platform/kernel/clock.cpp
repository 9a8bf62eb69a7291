#include <ctime>

#include "platform/kernel.h"
#include "platform/replay.h"
#include "platform_testing/manual_clock.h"

namespace vr {

namespace {
bool g_manual = false;
int64_t g_manualNs = 0;
int64_t g_autoStep = 0;

int64_t MonotonicNs() {
    if (g_manual) return g_manualNs;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t UptimeMs() {
    if (g_manual) return g_manualNs / 1000000;
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}
}  // namespace

void UseManualClock(bool on, int64_t startNs) {
    g_manual = on;
    g_manualNs = startNs;
    g_autoStep = 0;
}
void SetClockAutoStep(int64_t ns) { g_autoStep = ns; }
#if VR_TEST_SEAMS
void SetManualClockNs(int64_t ns) { g_manualNs = ns; }
void AdvanceManualClock(int64_t ns) { g_manualNs += ns; }
#endif

float Timer() {
    if (g_manual) return static_cast<float>(double(g_manualNs % (int64_t(86400) * 1000000000)) / 1e9);
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    double seconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + ts.tv_nsec / 1e9;
    return static_cast<float>(seconds);
}

int32_t GetTickCount() {
    // The low 32 bits of the millisecond count, read as a signed value.
    // A recording keeps the reading; a playback answers the recorded one.
    return replay::seam::Tick(static_cast<int32_t>(static_cast<uint32_t>(UptimeMs())));
}

bool QueryPerformanceFrequency(int64_t* frequency) {
    if (!frequency) return false;
    *frequency = 1000000000;
    return true;
}

bool QueryPerformanceCounter(int64_t* counter) {
    if (!counter) return false;
    *counter = MonotonicNs();
    if (g_manual) g_manualNs += g_autoStep;
    return true;
}

void Sleep(uint32_t milliseconds) {
    if (g_manual) {
        g_manualNs += int64_t(milliseconds) * 1000000;
        return;
    }
    timespec req{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&req, &req) != 0) {
    }
}

void SleepNs(int64_t nanoseconds) {
    if (nanoseconds <= 0) return;
    if (g_manual) {
        g_manualNs += nanoseconds;
        return;
    }
    timespec req{static_cast<time_t>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000)};
    while (nanosleep(&req, &req) != 0) {
    }
}

}  // namespace vr
