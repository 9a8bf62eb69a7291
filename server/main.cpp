// vortex-scores: the score server of Vortex Raiders. Stores uploaded scores
// in SQLite or PostgreSQL and serves the online score page.
#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

#include "replay_verifier.h"
#include "score_service.h"

namespace {

const scores::ConnectionLimits kDefaults;
const scores::VerifierLimits kVerifyDefaults;
constexpr const char* kDatabaseVariable = "VORTEX_SCORES_DATABASE";

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

// The game program that proves replays: beside this program (a build
// folder), or where an install puts games beside the bin folder.
std::string DefaultVerifier() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "";
    for (auto candidate : {self.parent_path() / "VortexRaiders", self.parent_path().parent_path() / "games" / "VortexRaiders"})
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    return "";
}

void Usage(FILE* out) {
    std::fprintf(out,
                 "Usage: vortex-scores [--bind ADDR] [--port N] [--data DIR | --database URL]\n"
                 "                     [--workers N] [--client-connections N]\n"
                 "                     [--verifier PROGRAM|none] [--verify-seconds N] [--verify-memory MIB]\n"
                 "                     [--verifiers N] [--verifier-user NAME]\n"
                 "The Vortex Raiders score server.\n"
                 "  --bind ADDR      address to listen on (default 127.0.0.1; 0.0.0.0 for a whole network)\n"
                 "  --port N         port to listen on (default 8099; 0 for any free port, printed)\n"
                 "  --data DIR       folder of the SQLite database scores.db (default %s)\n"
                 "  --database URL   the database: sqlite:PATH (a file; the default is sqlite:DIR/scores.db)\n"
                 "                   or a PostgreSQL connection string, postgresql://USER@HOST:PORT/DBNAME\n"
                 "                   (libpq's URI form, any of its parameters after \"?\"). Without it,\n"
                 "                   $%s is used when set, so no password need sit on a command line.\n"
                 "  --workers N      connections served at once (default %zu)\n"
                 "  --client-connections N\n"
                 "                   connections one address may hold at once (default %zu; 0 for no limit,\n"
                 "                   for a server behind a load balancer); more are answered 503.\n"
                 "                   A keep-alive connection idle for %lld s is closed; a request's headers\n"
                 "                   must arrive within %lld s of its first byte, the whole request within %lld s.\n"
                 "  --verifier PROGRAM\n"
                 "                   the game program that proves recorded runs (run as PROGRAM --verify FILE\n"
                 "                   in a process of its own, without a display); by default VortexRaiders\n"
                 "                   beside this program or in ../games; none: replays are not taken\n"
                 "  --verify-seconds N\n"
                 "                   processor time one verification may take (default %d; real time: twice that)\n"
                 "  --verify-memory MIB\n"
                 "                   address space of one verification (default %ld; 0 for no limit)\n"
                 "  --verifiers N    verifications at once (default: one per processor); more wait, each\n"
                 "                   address's replays taking turns with the others'\n"
                 "  --verifier-user NAME\n"
                 "                   when the server runs as root, the user the verifier runs as (default nobody)\n"
                 "\n"
                 "SQLite serves one server process. With PostgreSQL any number of vortex-scores processes,\n"
                 "on one machine or many, share one database behind a load balancer: start each with the\n"
                 "same --database; the first to start creates the tables (the others wait for it). Every\n"
                 "upload is committed before it is answered; an upload that reaches two servers at once is\n"
                 "stored once. While the database cannot be reached, requests are answered 503 and the\n"
                 "connection is tried again, at most every 2 s.\n"
                 "\n"
                 "Serves GET %s?nname=..&nscore=..&nreplay=..[&counter=true]\n"
                 "and the score page GET %s (add &verified=1 for verified runs only).\n"
                 "POST %s with a replay file (at most %zu bytes) as the body: the run is\n"
                 "played back; when it gives the name and score of a listed entry, the entry is\n"
                 "marked verified and its replay is kept (GET %s?id=N). Answers: 200 verified,\n"
                 "422 refused (with the reason), 409 no such entry listed, 413 too large (however the body\n"
                 "is sent, chunked too; the connection is then closed).\n",
                 DefaultDataFolder().c_str(), kDatabaseVariable, kDefaults.workers, kDefaults.perClient,
                 static_cast<long long>(kDefaults.idle.count() / 1000),
                 static_cast<long long>(kDefaults.headers.count() / 1000),
                 static_cast<long long>(kDefaults.request.count() / 1000), kVerifyDefaults.cpuSeconds,
                 kVerifyDefaults.memoryMiB, score_protocol::kUploadPath, score_protocol::PageTarget().c_str(),
                 score_protocol::kReplayPath, score_protocol::kMaxReplayBytes, score_protocol::kReplayPath);
}

}  // namespace

int main(int argc, char** argv) {
    std::string bind = "127.0.0.1", data, database, verifierProgram = DefaultVerifier();
    scores::VerifierLimits verifyLimits;
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
            port = int(NumberOption("--port", value("--port"), 0, 65535));
        } else if (a == "--data") {
            data = value("--data");
        } else if (a == "--database") {
            database = value("--database");
        } else if (a == "--workers") {
            limits.workers = size_t(NumberOption("--workers", value("--workers"), 1, 4096));
        } else if (a == "--client-connections") {
            limits.perClient = size_t(NumberOption("--client-connections", value("--client-connections"), 0, 4096));
        } else if (a == "--verifier") {
            verifierProgram = value("--verifier");
            if (verifierProgram == "none") {
                verifierProgram.clear();
            } else if (access(verifierProgram.c_str(), X_OK) != 0) {
                std::fprintf(stderr, "vortex-scores: --verifier %s is not a program that can be run\n",
                             verifierProgram.c_str());
                return 2;
            } else {
                verifierProgram = std::filesystem::absolute(verifierProgram).string();  // it runs in a scratch folder
            }
        } else if (a == "--verify-seconds") {
            verifyLimits.cpuSeconds = int(NumberOption("--verify-seconds", value("--verify-seconds"), 1, 3600));
            verifyLimits.wallSeconds = 2 * verifyLimits.cpuSeconds;
        } else if (a == "--verify-memory") {
            verifyLimits.memoryMiB = NumberOption("--verify-memory", value("--verify-memory"), 0, 1 << 20);
            if (verifyLimits.memoryMiB > 0 && verifyLimits.memoryMiB < 64) {
                std::fprintf(stderr, "vortex-scores: --verify-memory wants 0 or at least 64 (MiB)\n");
                return 2;
            }
        } else if (a == "--verifiers") {
            verifyLimits.atOnce = int(NumberOption("--verifiers", value("--verifiers"), 1, 256));
        } else if (a == "--verifier-user") {
            verifyLimits.user = value("--verifier-user");
        } else {
            std::fprintf(stderr, "vortex-scores: unknown option %s (try --help)\n", a.c_str());
            return 2;
        }
    }
    if (!database.empty() && !data.empty()) {
        std::fprintf(stderr, "vortex-scores: give --data or --database, not both\n");
        return 2;
    }
    const char* fromEnvironment = std::getenv(kDatabaseVariable);
    if (database.empty() && data.empty() && fromEnvironment && *fromEnvironment) database = fromEnvironment;
    if (database.empty()) {
        if (data.empty()) data = DefaultDataFolder();
        std::error_code ec;
        std::filesystem::create_directories(data, ec);
        if (!std::filesystem::is_directory(data)) {
            std::fprintf(stderr, "vortex-scores: cannot create the data folder %s\n", data.c_str());
            return 1;
        }
        database = "sqlite:" + data + "/scores.db";
    }
    try {
        // SIGINT and SIGTERM are taken by one thread that stops the service;
        // every other thread (the workers too) starts with them blocked.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
        auto store = scores::OpenStore(database);
        std::unique_ptr<scores::ReplayVerifier> verifier;
        if (!verifierProgram.empty()) verifier = std::make_unique<scores::ReplayVerifier>(verifierProgram, verifyLimits);
        scores::ScoreService service(*store, limits, verifier.get());
        int bound = port == 0 ? service.BindAnyPort(bind) : service.Bind(bind, port) ? port : -1;
        if (bound <= 0) {
            std::fprintf(stderr, "vortex-scores: cannot listen on %s:%d (in use, or not an address of this machine)\n",
                         bind.c_str(), port);
            return 1;
        }
        port = bound;
        std::thread waiter([&] {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            if (signal != 0) service.Stop();
        });
        std::printf("vortex-scores: listening on http://%s:%d (%s)\n", bind.c_str(), port, store->Describe().c_str());
        if (verifier)
            std::printf("vortex-scores: replays are verified by %s (%s)\n", verifier->Game().c_str(),
                        verifier->DescribeSandbox().c_str());
        else
            std::printf("vortex-scores: replays are not verified (no game program; see --verifier)\n");
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
