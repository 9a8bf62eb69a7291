// Load check of the score server: sends a bounded number of uploads from
// loopback clients (each on its own keep-alive connection), then checks that
// every acknowledged upload is in the database, also after reopening it, and
// prints the requests per second.
//   score_server_load_bench [--requests N] [--connections C] [--seconds T] [--data DIR]
// Exits 1 when a request failed, an entry is missing or the time ran out.
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "score_service.h"

namespace {

struct Options {
    int requests = 10000;
    int connections = 16;
    double seconds = 120;
    std::string data;
};

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s needs a value (or unknown option)\n", a.c_str());
            return false;
        }
        std::string v = argv[++i];
        if (a == "--requests") o.requests = std::atoi(v.c_str());
        else if (a == "--connections") o.connections = std::atoi(v.c_str());
        else if (a == "--seconds") o.seconds = std::atof(v.c_str());
        else if (a == "--data") o.data = v;
        else {
            std::fprintf(stderr, "unknown option %s\n", a.c_str());
            return false;
        }
    }
    if (o.requests < 1 || o.connections < 1 || o.seconds <= 0) {
        std::fprintf(stderr, "--requests, --connections and --seconds want positive numbers\n");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) return 2;
    namespace fs = std::filesystem;
    fs::path folder = o.data.empty() ? fs::temp_directory_path() / ("vortex-scores-load-" + std::to_string(getpid()))
                                     : fs::path(o.data);
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::string db = (folder / "scores.db").string();

    std::atomic<int> next{0}, ok{0}, failed{0};
    double elapsed = 0;
    long long commits = 0;
    std::atomic<bool> timedOut{false};
    {
        scores::ScoreStore store(db);
        scores::ScoreService service(store, {size_t(o.connections) + 4, 0});
        int port = service.BindAnyPort("127.0.0.1");
        if (port <= 0) {
            std::fprintf(stderr, "cannot bind a loopback port\n");
            return 1;
        }
        std::thread server([&] { service.ServeBound(); });
        auto start = std::chrono::steady_clock::now();
        auto deadline = start + std::chrono::duration<double>(o.seconds);
        std::vector<std::thread> clients;
        for (int c = 0; c < o.connections; ++c) {
            clients.emplace_back([&] {
                httplib::Client client("127.0.0.1", port);
                client.set_keep_alive(true);
                client.set_read_timeout(10, 0);
                for (int i = next++; i < o.requests; i = next++) {
                    if (std::chrono::steady_clock::now() > deadline) {
                        timedOut = true;
                        return;
                    }
                    std::string target = std::string(score_protocol::kUploadPath) + "?nname=load%20" + std::to_string(i) +
                                         "&nscore=" + std::to_string(i) + "&nreplay=" + std::to_string(i) +
                                         "&counter=true";
                    auto r = client.Get(target.c_str());
                    if (r && r->status == 200) ++ok;
                    else ++failed;
                }
            });
        }
        for (auto& t : clients) t.join();
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        service.Stop();
        server.join();
        commits = store.Commits();
    }

    // Reopen the database as a restarted server would and count what is there.
    scores::ScoreStore reopened(db);
    long long entries = reopened.EntryCount(), uploads = reopened.UploadCount();
    std::printf("requests sent:       %d of %d over %d connections\n", ok + failed, o.requests, o.connections);
    std::printf("answered 200:        %d\n", ok.load());
    std::printf("failed:              %d\n", failed.load());
    std::printf("entries after reopen %lld, uploads counted %lld\n", entries, uploads);
    std::printf("transactions:        %lld (%.1f uploads per commit)\n", commits,
                commits ? double(ok) / double(commits) : 0.0);
    std::printf("elapsed:             %.3f s\n", elapsed);
    std::printf("requests per second: %.0f\n", elapsed > 0 ? (ok + failed) / elapsed : 0.0);
    bool lost = entries != ok || uploads != ok;
    if (timedOut) std::printf("FAILED: the time limit of %.0f s ran out\n", o.seconds);
    if (failed) std::printf("FAILED: %d requests were not acknowledged\n", failed.load());
    if (lost) std::printf("FAILED: acknowledged uploads are missing from the database\n");
    if (o.data.empty()) fs::remove_all(folder);
    return timedOut || failed || lost ? 1 : 0;
}
