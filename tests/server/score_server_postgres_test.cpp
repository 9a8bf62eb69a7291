// Score servers sharing one PostgreSQL database: separate processes, one of
// them killed; the database stopped and started under load.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "postgres_connection.h"
#include "score_server_fixture.h"
#include "temporary_postgres.h"

using namespace scores;
using namespace scores::testing;
using Clock = std::chrono::steady_clock;

namespace {

// A vortex-scores process on `database`, taking any number of connections from one address.
ServerProcess OnDatabase(const std::string& database) {
    return ServerProcess({"--database", database, "--client-connections", "0"});
}

// What the servers answered to uploads "p<i>" with score i.
struct Answers {
    std::mutex mutex;
    std::vector<int> stored;  // answered 200
    std::atomic<int> ok{0}, unavailable{0}, other{0};
};

// Sends uploads `next`, `next` + 1, ... below `to` (until `stop`) from 6 threads,
// upload i to ports[i % ports]; `onStored` sees the running count of 200 answers.
void Send(const std::vector<int>& ports, std::atomic<int>& next, int to, const std::atomic<bool>& stop, Answers& got,
          const std::function<void(int)>& onStored = {}) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&] {
            std::vector<std::unique_ptr<httplib::Client>> clients;
            for (int port : ports) {
                clients.push_back(std::make_unique<httplib::Client>("127.0.0.1", port));
                clients.back()->set_keep_alive(true);
                clients.back()->set_read_timeout(10, 0);
            }
            for (int i = next++; i < to && !stop; i = next++) {
                auto target = score_protocol::UploadTarget("p" + std::to_string(i), i, true);
                auto r = clients[size_t(i) % ports.size()]->Get(target.c_str());
                int status = r ? r->status : -1;
                if (status != 200) {
                    ++(status == 503 ? got.unavailable : got.other);
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
                std::unique_lock<std::mutex> lock(got.mutex);
                got.stored.push_back(i);
                lock.unlock();
                int ok = ++got.ok;
                if (onStored) onStored(ok);
            }
        });
    for (auto& th : threads) th.join();
}

// Every upload answered 200 is in the database at `url`, once.
void ExpectAllStored(const std::string& url, const Answers& got) {
    PgConnection c(url);
    PgResult r = c.Run("names", "SELECT name FROM entries", {});
    std::set<std::string> names;
    for (int row = 0; row < r.Rows(); ++row) EXPECT_TRUE(names.insert(r.Bytes(row, 0)).second);
    for (int i : got.stored) ASSERT_TRUE(names.count("p" + std::to_string(i))) << "answered upload " << i << " is lost";
}

std::string Page(int port) {
    auto r = httplib::Client("127.0.0.1", port).Get("/index2.php?game=9");
    return r && r->status == 200 ? r->body : "no page";
}

}  // namespace

TEST(ScoreServersOnPostgres, TwoProcessesShareOneDatabaseAndAKilledOneLosesNothingItAnswered) {
    const std::string url = FreshPostgresDatabase();
    ServerProcess a = OnDatabase(url), b = OnDatabase(url);
    constexpr int kHalf = 1500;
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    Answers got;
    Send({a.port, b.port}, next, kHalf, stop, got);
    ASSERT_EQ(got.ok.load(), kHalf);
    EXPECT_EQ(Page(a.port), Page(b.port));
    EXPECT_NE(Page(a.port).find("Uploads so far: 1500<"), std::string::npos);

    // b is killed in the middle of the second half; its later uploads go unanswered.
    Send({a.port, b.port}, next, 2 * kHalf, stop, got, [&](int ok) {
        if (ok == kHalf + kHalf / 2) b.Kill(SIGKILL);
    });
    EXPECT_LT(got.ok.load(), 2 * kHalf);
    ExpectAllStored(url, got);
    auto store = OpenStore(url);
    EXPECT_GE(store->UploadCount(), got.ok.load());
    EXPECT_LE(store->UploadCount(), 2 * kHalf);
    EXPECT_LE(store->EntryCount(), 2 * kHalf);
}

TEST(ScoreServersOnPostgres, ADatabaseOutageIsAnswered503AndLosesNothingAnswered) {
    TemporaryPostgres pg;  // its own server, since it is stopped and started
    const std::string url = pg.CreateDatabase("scores");
    Server s(url);
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    Answers got;
    std::thread load([&] { Send({s.port}, next, 200000, stop, got); });
    auto waitFor = [](auto done) {
        auto giveUp = Clock::now() + std::chrono::seconds(20);
        while (!done() && Clock::now() < giveUp) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return done();
    };
    EXPECT_TRUE(waitFor([&] { return got.ok > 200; }));
    pg.Down();
    EXPECT_TRUE(waitFor([&] { return got.unavailable > 20; }));
    int before = got.ok;
    pg.Up();
    EXPECT_TRUE(waitFor([&] { return got.ok > before + 200; })) << "the server did not recover";
    stop = true;
    load.join();
    EXPECT_EQ(got.other.load(), 0);
    ExpectAllStored(url, got);
    EXPECT_NE(Page(s.port), "no page");
}
