// vortex-scores: the score server of Vortex Raiders. Stores uploaded scores
// in SQLite or PostgreSQL and serves the online score page.
#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>
#include <string>
#include <thread>
#include <unistd.h>

#include "platform/xdg_folders.h"
#include "replay_verifier.h"
#include "score_service.h"

namespace {

const scores::ConnectionLimits kDefaults;
const scores::VerifierLimits kVerifyDefaults;
constexpr const char* kDatabaseVariable = "VORTEX_SCORES_DATABASE";

std::string DefaultDataFolder() { return vr::xdg::DataHome() + "/vortex-scores"; }

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

// What the command line chose.
struct Choices {
    std::string bind = "127.0.0.1", data, database, verifierProgram = DefaultVerifier();
    int port = 8099;
    scores::ConnectionLimits limits;
    scores::VerifierLimits verifyLimits;
};

// A whole number from `text` in [lo, hi].
bool Number(const std::string& text, long lo, long hi, long& out) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || !end || *end || v < lo || v > hi) return false;
    out = v;
    return true;
}

// The command line: every option is a row, given as --name VALUE (or --name
// for --help). A row's take checks and applies the value; false refuses it
// with the row's "takes" text (or its own message, printed before).
struct Option {
    const char* name;
    const char* value;  // the value's name in --help; nullptr: none
    std::string takes;  // what the value may be, for the refusal
    std::string help;   // its lines, '\n' between them
    std::function<bool(Choices&, const std::string&)> take;
};

// A row whose value is a whole number in [lo, hi], stored by `set`.
template <class Set>
Option NumberRow(const char* name, const char* value, long lo, long hi, std::string help, Set set) {
    return Option{name, value, "a number from " + std::to_string(lo) + " to " + std::to_string(hi), std::move(help),
                  [=](Choices& c, const std::string& v) {
                      long n = 0;
                      if (!Number(v, lo, hi, n)) return false;
                      set(c, n);
                      return true;
                  }};
}

std::vector<Option> Options() {
    const auto s = [](auto n) { return std::to_string(n); };
    return {
        {"--help", nullptr, "", "show this text", nullptr},
        {"--bind", "ADDR", "an address", "address to listen on (default 127.0.0.1; 0.0.0.0 for a whole network)",
         [](Choices& c, const std::string& v) { return !(c.bind = v).empty(); }},
        NumberRow("--port", "N", 0, 65535, "port to listen on (default 8099; 0 for any free port, printed)",
                  [](Choices& c, long n) { c.port = int(n); }),
        {"--data", "DIR", "a folder", "folder of the SQLite database scores.db (default " + DefaultDataFolder() + ")",
         [](Choices& c, const std::string& v) { return !(c.data = v).empty(); }},
        {"--database", "URL", "a database URL",
         "the database: sqlite:PATH (a file; the default is sqlite:DIR/scores.db)\n"
         "or a PostgreSQL connection string, postgresql://USER@HOST:PORT/DBNAME\n"
         "(libpq's URI form, any of its parameters after \"?\"). Without it,\n$" +
             std::string(kDatabaseVariable) + " is used when set, so no password need sit on a command line.",
         [](Choices& c, const std::string& v) { return !(c.database = v).empty(); }},
        NumberRow("--workers", "N", 1, 4096, "connections served at once (default " + s(kDefaults.workers) + ")",
                  [](Choices& c, long n) { c.limits.workers = size_t(n); }),
        NumberRow("--client-connections", "N", 0, 4096,
                  "connections one address may hold at once (default " + s(kDefaults.perClient) +
                      "; 0 for no limit,\nfor a server behind a load balancer); more are answered 503.\n"
                      "A keep-alive connection idle for " + s(kDefaults.idle.count() / 1000) +
                      " s is closed; a request's headers\nmust arrive within " + s(kDefaults.headers.count() / 1000) +
                      " s of its first byte, the whole request within " + s(kDefaults.request.count() / 1000) + " s.",
                  [](Choices& c, long n) { c.limits.perClient = size_t(n); }),
        {"--verifier", "PROGRAM", "a program that can be run, or none",
         "the game program that proves recorded runs (run as PROGRAM --verify FILE\n"
         "in a process of its own, without a display); by default VortexRaiders\n"
         "beside this program or in ../games; none: replays are not taken",
         [](Choices& c, const std::string& v) {
             if (v == "none") {
                 c.verifierProgram.clear();
                 return true;
             }
             if (access(v.c_str(), X_OK) != 0) return false;
             c.verifierProgram = std::filesystem::absolute(v).string();  // it runs in a scratch folder
             return true;
         }},
        NumberRow("--verify-seconds", "N", 1, 3600,
                  "processor time one verification may take (default " + s(kVerifyDefaults.cpuSeconds) +
                      "; real time: twice that)",
                  [](Choices& c, long n) {
                      c.verifyLimits.cpuSeconds = int(n);
                      c.verifyLimits.wallSeconds = 2 * int(n);
                  }),
        {"--verify-memory", "MIB", "0 or a number from 64 to 1048576",
         "address space of one verification (default " + s(kVerifyDefaults.memoryMiB) + "; 0 for no limit)",
         [](Choices& c, const std::string& v) {
             long n = 0;
             if (!Number(v, 0, 1 << 20, n) || (n > 0 && n < 64)) return false;
             c.verifyLimits.memoryMiB = n;
             return true;
         }},
        NumberRow("--verifiers", "N", 1, 256,
                  "verifications at once (default: one per processor); more wait, each\n"
                  "address's replays taking turns with the others'",
                  [](Choices& c, long n) { c.verifyLimits.atOnce = int(n); }),
        {"--verifier-user", "NAME", "a user name",
         "when the server runs as root, the user the verifier runs as (default nobody)",
         [](Choices& c, const std::string& v) { return !(c.verifyLimits.user = v).empty(); }},
    };
}

void Usage(FILE* out) {
    std::fprintf(out, "Usage: vortex-scores [OPTION VALUE]...\nThe Vortex Raiders score server.\n");
    for (const Option& o : Options()) {
        std::string head = std::string("  ") + o.name + (o.value ? std::string(" ") + o.value : "");
        std::string help = o.help;
        for (size_t at = 0; (at = help.find('\n', at)) != std::string::npos; at += 20) help.replace(at, 1, "\n" + std::string(19, ' '));
        if (head.size() < 19) std::fprintf(out, "%-19s%s\n", head.c_str(), help.c_str());
        else std::fprintf(out, "%s\n%19s%s\n", head.c_str(), "", help.c_str());
    }
    std::fprintf(out,
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
                 "POST %s with a replay file (at most %zu bytes) as the body: the replay\n"
                 "is queued (202, with a ticket: GET %s?ticket=T tells its outcome)\n"
                 "and played back by the verifier; when it gives the name and score of a listed entry,\n"
                 "the entry is marked verified and its replay is kept (GET %s?id=N). Outcomes:\n"
                 "200 verified, 422 refused (with the reason), 409 no such entry listed or the run already\n"
                 "verified for another, 413 too large (however the body is sent, chunked too; the\n"
                 "connection is then closed).\n",
                 score_protocol::kUploadPath, score_protocol::PageTarget().c_str(), score_protocol::kReplayPath,
                 score_protocol::kMaxReplayBytes, score_protocol::kReplayPath, score_protocol::kReplayPath);
}

// Applies the command line's options in order; --help prints the usage and
// ends the program, anything not in the table ends it with status 2.
Choices ParseOptions(int argc, char** argv) {
    Choices c;
    const std::vector<Option> options = Options();
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i] == std::string("-h") ? "--help" : argv[i];
        auto o = std::find_if(options.begin(), options.end(), [&](const Option& row) { return name == row.name; });
        if (o == options.end()) {
            std::fprintf(stderr, "vortex-scores: unknown option %s (try --help)\n", argv[i]);
            std::exit(2);
        }
        if (!o->take) {
            Usage(stdout);
            std::exit(0);
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "vortex-scores: %s needs a value (%s)\n", o->name, o->takes.c_str());
            std::exit(2);
        }
        std::string value = argv[++i];
        if (!o->take(c, value)) {
            std::fprintf(stderr, "vortex-scores: %s takes %s, not %s\n", o->name, o->takes.c_str(), value.c_str());
            std::exit(2);
        }
    }
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    Choices choices = ParseOptions(argc, argv);
    auto& [bind, data, database, verifierProgram, port, limits, verifyLimits] = choices;
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
