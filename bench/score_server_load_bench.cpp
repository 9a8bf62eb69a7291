// Load figures of the score server: uploads and score-page reads per second
// from loopback clients (each on its own keep-alive connection), then a check
// that every acknowledged upload is in the database (reopened as a restarted
// server would) and counted.
//   score_server_load_bench [--requests N] [--reads N] [--connections C] [--seconds T] [--data DIR]
//                           [--entries N [--no-index]] [--compare [--postgres URL] [--rounds N]]
// --entries fills the store with N entries first, straight through the
// database in one transaction, so the figures are those of a store that size;
// --no-index then drops the page's index (entries_rank), for the figures
// without it. Without --compare: one server on SQLite. With it, side by side:
// SQLite, one server on PostgreSQL and two servers on one PostgreSQL database
// (a throw-away PostgreSQL server is started unless --postgres names a
// database, whose score tables are dropped), each N times in turn, the median
// shown (the machine is shared: turns spread its other load over all three),
// over 32 connections by
// default: a busy server has many uploads waiting at once, and PostgreSQL's
// flush, one process away, serves the more of them the more wait. Both stores
// commit with a full disk flush.
// Exits 1 when a request failed, an upload is missing or the time ran out.
#include <httplib.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "postgres_connection.h"
#include "score_service.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    int requests = 10000;
    int reads = 1000;
    int connections = 0;  // 16, or 32 with --compare
    double seconds = 120;
    std::string data;
    bool compare = false;
    int rounds = 3;
    std::string postgres;
    long long entries = 0;  // in the store before the run
    bool noIndex = false;
};

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--compare" || a == "--no-index") {
            (a == "--compare" ? o.compare : o.noIndex) = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s needs a value (or unknown option)\n", a.c_str());
            return false;
        }
        std::string v = argv[++i];
        if (a == "--requests") o.requests = std::atoi(v.c_str());
        else if (a == "--reads") o.reads = std::atoi(v.c_str());
        else if (a == "--connections") o.connections = std::atoi(v.c_str());
        else if (a == "--seconds") o.seconds = std::atof(v.c_str());
        else if (a == "--data") o.data = v;
        else if (a == "--postgres") o.postgres = v;
        else if (a == "--rounds") o.rounds = std::atoi(v.c_str());
        else if (a == "--entries") o.entries = std::atoll(v.c_str());
        else {
            std::fprintf(stderr, "unknown option %s\n", a.c_str());
            return false;
        }
    }
    if (o.connections == 0) o.connections = o.compare ? 32 : 16;
    if (o.requests < 1 || o.reads < 0 || o.connections < 1 || o.seconds <= 0 || o.rounds < 1 || o.entries < 0) {
        std::fprintf(stderr, "--requests, --connections, --seconds and --rounds want positive numbers, --reads and "
                             "--entries 0 or more\n");
        return false;
    }
    return true;
}

struct Figures {
    int ok = 0, failed = 0;
    double uploadSeconds = 0, readSeconds = 0;
    int readsDone = 0;
    long long commits = 0, entries = 0, uploads = 0;
    long long filled = 0;  // entries in the store before the run
    bool timedOut = false;
    double UploadsPerSecond() const { return uploadSeconds > 0 ? (ok + failed) / uploadSeconds : 0; }
    double ReadsPerSecond() const { return readSeconds > 0 ? readsDone / readSeconds : 0; }
    bool Lost() const { return entries != filled + ok || uploads != ok; }
    bool Good() const { return !timedOut && !failed && !Lost(); }
};

// `count` requests from `connections` threads, thread t to ports[t % ports];
// `target(i)` is request i. Returns the seconds taken.
template <class Target>
double Load(const std::vector<int>& ports, const Options& o, int count, Clock::time_point deadline, Target target,
            Figures& f) {
    std::atomic<int> next{0}, ok{0}, failed{0};
    std::atomic<bool> late{false};
    auto start = Clock::now();
    std::vector<std::thread> clients;
    for (int c = 0; c < o.connections; ++c)
        clients.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", ports[size_t(c) % ports.size()]);
            client.set_keep_alive(true);
            client.set_read_timeout(60, 0);  // a page of a large store without its index takes long
            for (int i = next++; i < count; i = next++) {
                if (Clock::now() > deadline) {
                    late = true;
                    return;
                }
                auto r = client.Get(target(i).c_str());
                if (r && r->status == 200) ++ok;
                else ++failed;
            }
        });
    for (auto& t : clients) t.join();
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    f.ok += ok;
    f.failed += failed;
    f.timedOut = f.timedOut || late;
    return seconds;
}

// `n` entries in the store at `url` (its schema made), with scores spread
// evenly over 0..32767; inserted in the order of both indexes, so quickly.
// The page's index is dropped when asked.
void Fill(const std::string& url, long long n, bool noIndex) {
    scores::OpenStore(url).reset();
    const std::string count = std::to_string(n);
    if (url.rfind("sqlite:", 0) == 0) {
        sqlite3* db = nullptr;
        std::string sql = "PRAGMA synchronous=OFF; BEGIN;";
        if (n > 0)
            sql += "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + count + ")"
                   " INSERT INTO entries (name, score, received, client)"
                   " SELECT CAST(printf('fill %09d', i) AS BLOB), 32767 - (i - 1) * 32768 / " + count + ","
                   " '2024-01-01 00:00:00', '127.0.0.1' FROM n;";
        sql += std::string(noIndex ? "DROP INDEX IF EXISTS entries_rank;" : "") + "COMMIT;";
        char* err = nullptr;
        bool ok = sqlite3_open(url.substr(7).c_str(), &db) == SQLITE_OK &&
                  sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) == SQLITE_OK;
        std::string why = err ? err : db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_free(err);
        sqlite3_close(db);
        if (!ok) throw std::runtime_error("cannot fill the store: " + why);
    } else {
        scores::PgConnection c(url);
        if (n > 0)
            c.Exec("INSERT INTO entries (name, score, client) SELECT convert_to(format('fill %s', lpad(i::text, 9, '0')),"
                   " 'UTF8'), 32767 - (i - 1) * 32768 / " + count + ", '127.0.0.1'"
                   " FROM generate_series(1, " + count + "::bigint) AS i");
        if (noIndex) c.Exec("DROP INDEX IF EXISTS entries_rank");
        c.Exec("VACUUM ANALYZE entries");
    }
}

// Uploads, then page reads, through one server per URL (all on one database).
Figures Run(const std::vector<std::string>& urls, const Options& o) {
    Figures f;
    if (o.entries > 0 || o.noIndex) {
        auto start = Clock::now();
        Fill(urls[0], o.entries, o.noIndex);
        f.filled = o.entries;
        std::printf("(filled %lld entries in %.1f s)\n", f.filled,
                    std::chrono::duration<double>(Clock::now() - start).count());
        std::fflush(stdout);
    }
    auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.seconds));
    {
        std::vector<std::unique_ptr<scores::ScoreStore>> stores;
        std::vector<std::unique_ptr<scores::ScoreService>> services;
        std::vector<std::thread> serving;
        std::vector<int> ports;
        for (const auto& url : urls) {
            stores.push_back(scores::OpenStore(url));
            services.push_back(std::make_unique<scores::ScoreService>(
                *stores.back(), scores::ConnectionLimits{size_t(o.connections) + 4, 0}));
            ports.push_back(services.back()->BindAnyPort("127.0.0.1"));
            if (ports.back() <= 0) throw std::runtime_error("cannot bind a loopback port");
            serving.emplace_back([s = services.back().get()] { s->ServeBound(); });
        }
        f.uploadSeconds = Load(ports, o, o.requests, deadline, [](int i) {
            return score_protocol::UploadTarget("load%20" + std::to_string(i), i % (score_protocol::kMaxScore + 1), true);
        }, f);
        int uploaded = f.ok;
        f.readSeconds = Load(ports, o, o.reads, deadline, [](int) { return score_protocol::PageTarget(); }, f);
        f.readsDone = f.ok - uploaded;
        f.ok = uploaded;
        for (auto& s : services) s->Stop();
        for (auto& t : serving) t.join();
        for (auto& s : stores) f.commits += s->Commits();
    }
    // Reopen the database as a restarted server would and count what is there.
    auto reopened = scores::OpenStore(urls[0]);
    f.entries = reopened->EntryCount();
    f.uploads = reopened->UploadCount();
    return f;
}

void Report(const char* what, const Figures& f, int requests, const std::string& note) {
    std::printf("%-26s %10.0f %10.1f %11.1f   %d of %d answered 200, %lld entries (%lld filled first), %lld "
                "counted%s%s\n",
                what, f.UploadsPerSecond(), f.ReadsPerSecond(), f.commits ? double(f.ok) / double(f.commits) : 0.0,
                f.ok, requests, f.entries, f.filled, f.uploads, note.c_str(),
                f.Good() ? "" : f.timedOut ? "  FAILED: out of time" : f.failed ? "  FAILED: requests failed"
                                                                                    : "  FAILED: uploads missing");
}

// A throw-away PostgreSQL server (the test suite's script) unless the user named one.
class Postgres {
public:
    explicit Postgres(const std::string& url) : url_(url) {
        if (!url_.empty()) return;
        state_ = (fs::temp_directory_path() / ("vortex-bench-pg-" + std::to_string(getpid()))).string();
        if (std::system((std::string(VR_TEMPORARY_POSTGRES) + " start " + state_).c_str()) != 0)
            throw std::runtime_error("cannot start a temporary PostgreSQL server");
        std::ifstream in(state_);
        std::getline(in, url_);
    }
    ~Postgres() {
        if (!state_.empty()) std::system((std::string(VR_TEMPORARY_POSTGRES) + " stop " + state_).c_str());
    }
    // The database without the score tables: the schema's own and every
    // table that refers to them, however many steps the schema has.
    std::string Fresh() {
        scores::PgConnection c(url_);
        c.Exec(
            "DO $$ DECLARE"
            " doomed oid[] := ARRAY(SELECT t::oid FROM unnest(ARRAY[to_regclass('entries'),"
            " to_regclass('upload_counts'), to_regclass('schema_version')]) AS t WHERE t IS NOT NULL);"
            " more oid[];"
            " BEGIN LOOP"
            " more := ARRAY(SELECT DISTINCT conrelid FROM pg_constraint WHERE contype = 'f'"
            " AND confrelid = ANY (doomed) AND NOT conrelid = ANY (doomed));"
            " EXIT WHEN cardinality(more) = 0;"
            " doomed := doomed || more;"
            " END LOOP;"
            " IF cardinality(doomed) > 0 THEN"
            " EXECUTE 'DROP TABLE ' || (SELECT string_agg(t::regclass::text, ', ') FROM unnest(doomed) AS t) || ' CASCADE';"
            " END IF; END $$");
        return url_;
    }
    const std::string& Url() const { return url_; }

private:
    std::string url_, state_;
};

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) return 2;
    fs::path folder = o.data.empty() ? fs::temp_directory_path() / ("vortex-scores-load-" + std::to_string(getpid()))
                                     : fs::path(o.data);
    fs::remove_all(folder);
    fs::create_directories(folder);
    bool good = true;
    try {
        std::printf("%d uploads, then %d page reads, over %d connections", o.requests, o.reads, o.connections);
        if (o.entries > 0) std::printf(", into a store of %lld entries", o.entries);
        std::printf("%s\n", o.noIndex ? " without the page's index" : "");
        std::printf("%-26s %10s %10s %11s\n", "", "uploads/s", "pages/s", "per commit");
        const char* names[] = {"SQLite, one server", "PostgreSQL, one server", "PostgreSQL, two servers"};
        int kinds = o.compare ? 3 : 1;
        std::vector<std::vector<Figures>> runs(kinds);
        std::unique_ptr<Postgres> pg;
        if (o.compare) pg = std::make_unique<Postgres>(o.postgres);
        for (int round = 0; round < (o.compare ? o.rounds : 1); ++round)
            for (int k = 0; k < kinds; ++k) {
                std::string sqlite = "sqlite:" + (folder / ("scores-" + std::to_string(round) + ".db")).string();
                Figures f = k == 0 ? Run({sqlite}, o) : k == 1 ? Run({pg->Fresh()}, o) : Run({pg->Fresh(), pg->Url()}, o);
                good = good && f.Good();
                if (o.compare) Report(names[k], f, o.requests, "  (round " + std::to_string(round + 1) + ")");
                runs[size_t(k)].push_back(f);
            }
        // The median run of each kind, by each figure.
        auto median = [&](int k, double (Figures::*figure)() const) {
            std::vector<double> v;
            for (const auto& f : runs[size_t(k)]) v.push_back((f.*figure)());
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        if (o.compare) std::printf("median of %d rounds:\n", o.rounds);
        for (int k = 0; k < kinds; ++k)
            std::printf("%-26s %10.0f %10.1f\n", names[k], median(k, &Figures::UploadsPerSecond),
                        median(k, &Figures::ReadsPerSecond));
        if (!o.compare) Report(names[0], runs[0][0], o.requests, "");
        if (o.compare) {
            // Each round's two runs ran back to back, under much the same other
            // load: the ratio is taken per round, and its median shown.
            auto ratio = [&](int a, int b, double (Figures::*figure)() const) {
                std::vector<double> v;
                for (size_t r = 0; r < runs[0].size(); ++r) {
                    double below = (runs[size_t(b)][r].*figure)();
                    v.push_back(below > 0 ? (runs[size_t(a)][r].*figure)() / below : 0.0);
                }
                std::sort(v.begin(), v.end());
                return v[v.size() / 2];
            };
            std::printf("ratios, the median of the rounds' own:\n");
            std::printf("PostgreSQL one server / SQLite: uploads %.2fx, pages %.2fx (target at least 0.5x)\n",
                        ratio(1, 0, &Figures::UploadsPerSecond), ratio(1, 0, &Figures::ReadsPerSecond));
            std::printf("PostgreSQL two servers / one:   uploads %.2fx, pages %.2fx (target at least 1.0x)\n",
                        ratio(2, 1, &Figures::UploadsPerSecond), ratio(2, 1, &Figures::ReadsPerSecond));
        }
    } catch (const std::exception& e) {
        std::printf("FAILED: %s\n", e.what());
        good = false;
    }
    if (o.data.empty()) fs::remove_all(folder);
    return good ? 0 : 1;
}
