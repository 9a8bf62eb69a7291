// Keeps an X server busy with clients that come and go: THREADS connections
// that each open the display, hold it HOLD_MS, close it and rest REST_MS, over
// and over until SIGTERM; then prints how many connections were made and refused.
//   display_churn THREADS HOLD_MS REST_MS
#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void Stop(int) { g_stop = 1; }
void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: display_churn THREADS HOLD_MS REST_MS\n");
        return 2;
    }
    int threads = std::atoi(argv[1]), holdMs = std::atoi(argv[2]), restMs = std::atoi(argv[3]);
    std::signal(SIGTERM, Stop);
    std::atomic<long> made{0}, refused{0};
    std::vector<std::thread> pool;
    for (int i = 0; i < threads; ++i)
        pool.emplace_back([&] {
            while (!g_stop) {
                if (Display* d = XOpenDisplay(nullptr)) {
                    ++made;
                    XSync(d, False);
                    Pause(holdMs);
                    XCloseDisplay(d);
                } else {
                    ++refused;
                }
                Pause(restMs);
            }
        });
    for (auto& t : pool) t.join();
    std::printf("display_churn: %ld connections made, %ld refused\n", made.load(), refused.load());
    return 0;
}
