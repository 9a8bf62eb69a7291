// vortex-scores: the score server of Vortex Raiders. Stores uploaded scores
// in SQLite and serves the online score page.
#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "score_service.h"

namespace {

const scores::ConnectionLimits kDefaults;

// A whole number from `text` in [lo, hi]; exits with a message otherwise.
long NumberOption(const char* option, const std::string& text, long lo, long hi) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || !end || *end || v < lo || v > hi) {
        std::fprintf(stderr, "vortex-scores: %s wants a number from %ld to %ld, not %s\n", option, lo, hi, text.c_str());
        std::exit(2);
    }
    return v;
}

std::string DefaultDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (xdg && *xdg == '/') base = xdg;
    else base = std::string(std::getenv("HOME") ? std::getenv("HOME") : "/tmp") + "/.local/share";
    return base + "/vortex-scores";
}

void Usage(FILE* out) {
    std::fprintf(out,
                 "Usage: vortex-scores [--bind ADDR] [--port N] [--data DIR] [--workers N] [--client-connections N]\n"
                 "The Vortex Raiders score server.\n"
                 "  --bind ADDR  address to listen on (default 127.0.0.1; 0.0.0.0 for a whole network)\n"
                 "  --port N     port to listen on (default 8099)\n"
                 "  --data DIR   folder of the database scores.db (default %s)\n"
                 "  --workers N  connections served at once (default %zu)\n"
                 "  --client-connections N\n"
                 "               connections one address may hold at once (default %zu; 0 for no limit,\n"
                 "               for a server behind a load balancer); more are answered 503.\n"
                 "               A keep-alive connection idle for %lld s is closed.\n"
                 "Serves GET %s?nname=..&nscore=..&nreplay=..[&counter=true]\n"
                 "and the score page GET %s.\n",
                 DefaultDataFolder().c_str(), kDefaults.workers, kDefaults.perClient,
                 static_cast<long long>(kDefaults.idle.count() / 1000), score_protocol::kUploadPath,
                 score_protocol::PageTarget().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::string bind = "127.0.0.1", data = DefaultDataFolder();
    int port = 8099;
    scores::ConnectionLimits limits;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* option) -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vortex-scores: %s needs a value\n", option);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (a == "--bind") {
            bind = value("--bind");
        } else if (a == "--port") {
            port = int(NumberOption("--port", value("--port"), 1, 65535));
        } else if (a == "--data") {
            data = value("--data");
        } else if (a == "--workers") {
            limits.workers = size_t(NumberOption("--workers", value("--workers"), 1, 4096));
        } else if (a == "--client-connections") {
            limits.perClient = size_t(NumberOption("--client-connections", value("--client-connections"), 0, 4096));
        } else {
            std::fprintf(stderr, "vortex-scores: unknown option %s (try --help)\n", a.c_str());
            return 2;
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(data, ec);
    if (!std::filesystem::is_directory(data)) {
        std::fprintf(stderr, "vortex-scores: cannot create the data folder %s\n", data.c_str());
        return 1;
    }
    try {
        // SIGINT and SIGTERM are taken by one thread that stops the service;
        // every other thread (the workers too) starts with them blocked.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
        scores::ScoreStore store(data + "/scores.db");
        scores::ScoreService service(store, limits);
        if (!service.Bind(bind, port)) {
            std::fprintf(stderr, "vortex-scores: cannot listen on %s:%d (in use, or not an address of this machine)\n",
                         bind.c_str(), port);
            return 1;
        }
        std::thread waiter([&] {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            if (signal != 0) service.Stop();
        });
        std::printf("vortex-scores: listening on http://%s:%d (data in %s)\n", bind.c_str(), port, data.c_str());
        std::fflush(stdout);
        service.ServeBound();
        // Stopped by a signal: the waiter has it already. Otherwise wake it.
        pthread_kill(waiter.native_handle(), SIGTERM);
        waiter.join();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vortex-scores: %s\n", e.what());
        return 1;
    }
    std::printf("vortex-scores: stopped\n");
    return 0;
}
