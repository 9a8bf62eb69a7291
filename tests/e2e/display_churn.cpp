// Keeps an X server full and empty by turns: THREADS connections that each
// take a slot for the first FULL_MS of every FULL_MS + FREE_MS (retrying when
// refused) and give it back for the rest, until SIGTERM; then prints how many
// connections were made and refused. With more threads than the server takes,
// it is full in the first part and free in the second, whatever the load.
//   display_churn THREADS FULL_MS FREE_MS
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
void Pause(long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: display_churn THREADS FULL_MS FREE_MS\n");
        return 2;
    }
    long threads = std::atol(argv[1]), fullMs = std::atol(argv[2]), period = fullMs + std::atol(argv[3]);
    std::signal(SIGTERM, Stop);
    std::atomic<long> made{0}, refused{0};
    auto start = std::chrono::steady_clock::now();
    auto phaseMs = [&] {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        return ms.count() % period;
    };
    std::vector<std::thread> pool;
    for (long i = 0; i < threads; ++i)
        pool.emplace_back([&] {
            Display* d = nullptr;
            while (!g_stop) {
                long at = phaseMs();
                if (at >= fullMs) {
                    if (d) XCloseDisplay(d);
                    d = nullptr;
                    Pause(period - at);
                } else if (d) {
                    Pause(fullMs - at);  // held to the end of the full part
                } else if ((d = XOpenDisplay(nullptr))) {
                    ++made;
                    XSync(d, False);
                } else {
                    ++refused;
                    Pause(20);
                }
            }
            if (d) XCloseDisplay(d);
        });
    for (auto& t : pool) t.join();
    std::printf("display_churn: %ld connections made, %ld refused\n", made.load(), refused.load());
    return 0;
}
