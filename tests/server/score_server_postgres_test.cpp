// Score servers sharing one PostgreSQL database: separate processes, one of
// them killed; the database stopped and started under load.
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <set>
#include <thread>
#include <vector>

#include "postgres_connection.h"
#include "score_server_fixture.h"
#include "temporary_postgres.h"

extern char** environ;

using namespace scores;
using namespace scores::testing;
using Clock = std::chrono::steady_clock;

namespace {

// A vortex-scores process on a free loopback port.
class ServerProcess {
public:
    explicit ServerProcess(const std::string& database) {
        int out[2];
        if (pipe(out) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> args = {VR_SCORES_BINARY, "--port", "0", "--database", database, "--client-connections", "0"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int failed = posix_spawn(&pid_, VR_SCORES_BINARY, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        out_ = out[0];
        if (failed) throw std::runtime_error("cannot start " + std::string(VR_SCORES_BINARY));
        // Its first line: "vortex-scores: listening on http://127.0.0.1:PORT (...)".
        std::string said;
        const std::string mark = "http://127.0.0.1:";
        auto giveUp = Clock::now() + std::chrono::seconds(15);
        while (said.find('\n') == std::string::npos && Clock::now() < giveUp) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char buf[256];
            ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0) break;
            said.append(buf, size_t(n));
        }
        size_t at = said.find(mark);
        if (at == std::string::npos) throw std::runtime_error("vortex-scores did not start: " + said);
        port = std::stoi(said.substr(at + mark.size()));
    }
    ~ServerProcess() {
        if (pid_ > 0) Kill(SIGTERM);
        close(out_);
    }
    void Kill(int signal) {
        kill(pid_, signal);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    int port = 0;

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

std::string UploadTarget(int i) {
    return score_protocol::UploadTarget("p" + std::to_string(i), i, true);
}

// The names stored in the database at `url`.
std::set<std::string> StoredNames(const std::string& url) {
    PgConnection c(url);
    PgResult r = c.Run("names", "SELECT name FROM entries", {});
    std::set<std::string> names;
    for (int row = 0; row < r.Rows(); ++row) names.insert(r.Bytes(row, 0));
    return names;
}

}  // namespace

TEST(ScoreServersOnPostgres, TwoProcessesShareOneDatabaseAndAKilledOneLosesNothingItAnswered) {
    const std::string url = FreshPostgresDatabase();
    ServerProcess a(url), b(url);
    constexpr int kThreads = 6, kHalf = 1500;
    std::atomic<int> next{0}, answered{0};
    std::vector<std::vector<int>> stored(kThreads);
    // Uploads from `from` to `to` (exclusive), alternately to a and b, from several threads.
    auto send = [&](int to, int killAt) {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                httplib::Client ca("127.0.0.1", a.port), cb("127.0.0.1", b.port);
                for (auto* c : {&ca, &cb}) {
                    c->set_keep_alive(true);
                    c->set_read_timeout(10, 0);
                }
                for (int i = next++; i < to; i = next++) {
                    auto r = (i % 2 ? cb : ca).Get(UploadTarget(i).c_str());
                    if (r && r->status == 200) {
                        stored[t].push_back(i);
                        if (++answered == killAt) b.Kill(SIGKILL);
                    }
                }
            });
        for (auto& th : threads) th.join();
    };

    send(kHalf, -1);
    ASSERT_EQ(answered.load(), kHalf);
    auto pageA = httplib::Client("127.0.0.1", a.port).Get("/index2.php?game=9");
    auto pageB = httplib::Client("127.0.0.1", b.port).Get("/index2.php?game=9");
    ASSERT_TRUE(pageA && pageB);
    EXPECT_EQ(pageA->body, pageB->body);
    EXPECT_NE(pageA->body.find("Uploads so far: 1500<"), std::string::npos);
    EXPECT_NE(pageA->body.find(">p1499<"), std::string::npos);

    // b is killed in the middle of the second half; its later uploads go unanswered.
    send(2 * kHalf, kHalf + kHalf / 2);
    EXPECT_GE(answered.load(), kHalf + kHalf / 2);
    EXPECT_LT(answered.load(), 2 * kHalf);
    std::set<std::string> names = StoredNames(url);
    for (const auto& each : stored)
        for (int i : each) ASSERT_TRUE(names.count("p" + std::to_string(i))) << "answered upload " << i << " is lost";
    EXPECT_LE(names.size(), size_t(2 * kHalf));  // each (name, score) once
    auto store = OpenStore(url);
    EXPECT_GE(store->UploadCount(), answered.load());
    EXPECT_LE(store->UploadCount(), 2 * kHalf);
}

TEST(ScoreServersOnPostgres, ADatabaseOutageIsAnswered503AndLosesNothingAnswered) {
    TemporaryPostgres pg;  // its own server, since it is stopped and started
    const std::string url = pg.CreateDatabase("scores");
    Server s(url);
    constexpr int kThreads = 4;
    std::atomic<bool> stop{false};
    std::atomic<int> next{0}, ok{0}, unavailable{0}, other{0};
    std::vector<std::vector<int>> stored(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            httplib::Client c("127.0.0.1", s.port);
            c.set_keep_alive(true);
            c.set_read_timeout(10, 0);
            for (int i = next++; !stop && i < 200000; i = next++) {
                auto r = c.Get(UploadTarget(i).c_str());
                int status = r ? r->status : -1;
                if (status == 200) stored[t].push_back(i), ++ok;
                else if (status == 503) ++unavailable;
                else ++other;
                if (status != 200) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    auto waitFor = [](auto done, int seconds) {
        auto giveUp = Clock::now() + std::chrono::seconds(seconds);
        while (!done() && Clock::now() < giveUp) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return done();
    };
    EXPECT_TRUE(waitFor([&] { return ok > 200; }, 20));
    pg.Down();
    EXPECT_TRUE(waitFor([&] { return unavailable > 20; }, 20));
    int before = ok;
    pg.Up();
    EXPECT_TRUE(waitFor([&] { return ok > before + 200; }, 20)) << "the server did not recover";
    stop = true;
    for (auto& th : threads) th.join();
    EXPECT_EQ(other.load(), 0);
    std::set<std::string> names = StoredNames(url);
    for (const auto& each : stored)
        for (int i : each) ASSERT_TRUE(names.count("p" + std::to_string(i))) << "answered upload " << i << " is lost";
    auto page = s.Get("/index2.php?game=9");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
}
