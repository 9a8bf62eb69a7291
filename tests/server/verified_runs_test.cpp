// Recorded runs sent to the score server: a stand-in for the game's --verify
// judges them (the real game does in the end-to-end test), so these tests
// cover what the server makes of each answer, what it stores, the turns that
// clients' replays take, and the fence around the verifying process.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "score_server_fixture.h"
#include "temporary_postgres.h"
#include "test_files.h"

using namespace scores;
using scores::testing::Server;

namespace {

constexpr const char* kRun = "0123456789abcdef";

// A verifier that answers by the replay's first four bytes, as --verify does.
std::string FakeVerifier(const std::string& folder) {
    std::string path = folder + "/fake-game";
    std::ofstream(path) << "#!/bin/bash\n"
                           "[ \"$1\" = --verify ] || exit 2\n"
                           "report() { printf 'score %s\\ntime 26\\naccuracy 40\\nplace 1\\nframes 900\\n"
                           "nname %s\\ndrivers %s\\nrun %s\\n' \"$@\"; }\n"
                           "case \"$(head -c 4 \"$2\")\" in\n"
                           "  GOOD) report 48 Ace%20Pilot 0 " << kRun << " ;;\n"
                           "  THEF) report 11 Thief%0A 0 " << kRun << " ;;\n"
                           "  MORE) report 99 Ace%20Pilot 0 1111111111111111 ;;\n"
                           "  BOTS) report 48 Ace%20Pilot 1 2222222222222222 ;;\n"
                           "  TWIC) report 1 x 0 3333333333333333; echo 'score 99' ;;\n"
                           "  HANG) exec sleep 30 ;;\n"
                           "  WAIT) while [ ! -e \"$(dirname \"$0\")/release\" ]; do sleep 0.02; done; exit 1 ;;\n"
                           "  BUSY) while :; do :; done ;;\n"
                           "  ESCP) setsid sleep 31.25 & exec sleep 30 ;;\n"
                           "  NETW) if (exec 3<>/dev/tcp/127.0.0.1/9) 2>/dev/null; then net=open; else net=closed; fi\n"
                           "        touch /var/tmp/vortex-verify-probe 2>/dev/null && w=written || w=readonly\n"
                           "        report 1 \"uid-$(id -u)-net-$net-files-$w\" 0 4444444444444444 ;;\n"
                           "  *) echo \"VortexRaiders: $2 is refused: the replay is damaged\" >&2; exit 1 ;;\n"
                           "esac\n";
    chmod(path.c_str(), 0755);
    chmod(folder.c_str(), 0755);  // reachable by the verifier's user when the tests run as root
    return path;
}

class VerifiedRuns : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        folder = vr::testing::FreshFolder(std::string("verified-") + GetParam());
        db = std::string(GetParam()) == "SQLite" ? "sqlite:" + folder + "/scores.db"
                                                 : scores::testing::FreshPostgresDatabase();
    }
    std::string folder, db;
};

// Whether a process whose command line holds `part` runs.
bool Running(const std::string& part) {
    std::error_code ec;
    for (const auto& p : std::filesystem::directory_iterator("/proc", ec)) {
        std::ifstream in(p.path() / "cmdline");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (text.find(part) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Stores, VerifiedRuns, ::testing::Values("SQLite", "PostgreSQL"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(VerifiedRuns, AProvedRunMarksItsEntryKeepsItsReplayAndNothingElseChangesAnything) {
    ReplayVerifier verifier(FakeVerifier(folder), {});
    const std::string replay = std::string("GOOD\0\x01\xFFrest", 11);
    {
        Server s(db, {}, &verifier);
        // Proved before its entry is listed: refused, nothing kept.
        auto early = s.PostReplay(replay);
        ASSERT_TRUE(early);
        EXPECT_EQ(early->status, 409) << early->body;
        EXPECT_NE(early->body.find("\"Ace Pilot\" with 48 points"), std::string::npos) << early->body;
        ASSERT_EQ(s.Upload("nname=Ace%20Pilot&nscore=48&nreplay=48"), 200);
        ASSERT_EQ(s.Upload("nname=Typed&nscore=9999&nreplay=9999&counter=true"), 200);
        ASSERT_EQ(s.Upload("nname=Thief%0A&nscore=11&nreplay=11"), 200);

        struct Case {
            std::string body;
            int status;
            std::string says;
        };
        for (const Case& c : {Case{"junk", 422, "Refused: the replay is damaged"},
                              Case{"MORE", 409, "\"Ace Pilot\" with 99 points, but no such score is listed"},
                              Case{"TWIC", 422, "the verifier's answer for this replay cannot be read"},
                              Case{"BOTS", 422, "played by the autopilot; only runs a person played are verified"},
                              Case{"", 400, "holds no replay"},
                              Case{std::string(score_protocol::kMaxReplayBytes + 1, 'G'), 413, "at most 1048576 bytes"},
                              Case{replay, 200, "OK: verified: \"Ace Pilot\" with 48 points"},
                              Case{"GOOD another recording", 200, "OK: already verified"},
                              // The same run renamed: its name in the answer shows no line break.
                              Case{"THEF", 409, "this run is already verified as Ace Pilot"}}) {
            auto r = s.PostReplay(c.body);
            ASSERT_TRUE(r) << c.says;
            EXPECT_EQ(r->status, c.status) << c.says << ": " << r->body;
            EXPECT_NE(r->body.find(c.says), std::string::npos) << r->body;
        }
        auto unknown = s.Get(std::string(score_protocol::kReplayPath) + "?ticket=nothing");
        ASSERT_TRUE(unknown);
        EXPECT_EQ(unknown->status, 404);
    }
    // After a restart: the proof and the first replay are there, byte for byte.
    Server s(db, {}, &verifier);
    auto best = s.store->Best(10);
    ASSERT_EQ(best.size(), 3u);
    EXPECT_FALSE(best[0].verified);  // Typed
    ASSERT_TRUE(best[1].verified);
    EXPECT_FALSE(best[2].verified);  // the thief
    auto download = s.Get(std::string(score_protocol::kReplayPath) + "?id=" + std::to_string(best[1].id));
    ASSERT_TRUE(download);
    EXPECT_EQ(download->status, 200);
    EXPECT_EQ(download->body, replay);
    EXPECT_NE(download->get_header_value("Content-Disposition").find(".vrr"), std::string::npos);
    for (std::string bad : {"?id=" + std::to_string(best[0].id), std::string("?id=x"), std::string("")}) {
        auto r = s.Get(std::string(score_protocol::kReplayPath) + bad);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, bad.empty() || bad == "?id=x" ? 400 : 404) << bad;
    }

    auto page = s.Get("/index2.php?game=9");
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("<td>Typed</td><td class=\"n\">9999</td>"), std::string::npos);
    EXPECT_NE(page->body.find("<td>not verified</td>"), std::string::npos);
    EXPECT_NE(page->body.find("verified (<a href=\"" + std::string(score_protocol::kReplayPath) +
                              "?id=" + std::to_string(best[1].id) + "\">replay</a>)"),
              std::string::npos);
    auto verifiedOnly = s.Get("/index2.php?game=9&verified=1");
    ASSERT_TRUE(verifiedOnly);
    EXPECT_NE(verifiedOnly->body.find("<td>Ace Pilot</td>"), std::string::npos);
    EXPECT_EQ(verifiedOnly->body.find("Typed"), std::string::npos);
}

TEST(ReplayVerifierProcess, DeadlinesLimitsAndLeftoversAreHandled) {
    std::string folder = vr::testing::FreshFolder("verifier-process");
    std::string scratch = folder + "/tmp";
    std::filesystem::create_directories(scratch);
    chmod(scratch.c_str(), 0755);
    setenv("TMPDIR", scratch.c_str(), 1);
    VerifierLimits limits;
    limits.wallSeconds = 1;
    ReplayVerifier verifier(FakeVerifier(folder), limits);
    // Past the real-time deadline while hardly using the processor: the
    // server's fault (a busy machine), not the replay's.
    Verdict hung = verifier.Verify("HANG");
    EXPECT_FALSE(hung.proved);
    EXPECT_TRUE(hung.serverFault) << hung.why;
    EXPECT_NE(hung.why.find("did not finish in 1 s of real time"), std::string::npos) << hung.why;
    // A process that left the verifier's group is killed with it.
    EXPECT_FALSE(verifier.Verify("ESCP").proved);
    EXPECT_FALSE(Running(std::string("sleep\0" "31.25", 11)));
    Verdict good = verifier.Verify("GOOD");
    EXPECT_TRUE(good.proved) << good.why;
    EXPECT_EQ(good.report.uploadName, "Ace Pilot");
    EXPECT_EQ(good.report.score, 48);
    EXPECT_EQ(good.report.run, kRun);
    EXPECT_TRUE(std::filesystem::is_empty(scratch));
    // Over its processor time: the replay's fault.
    limits.cpuSeconds = 1;
    limits.wallSeconds = 60;
    Verdict busy = ReplayVerifier(FakeVerifier(folder), limits).Verify("BUSY");
    EXPECT_FALSE(busy.serverFault);
    EXPECT_EQ(busy.why, "the replay took more than 1 s of processor time to verify");

    ReplayVerifier missing(folder + "/no-such-game", {});
    Verdict v = missing.Verify("GOOD");
    EXPECT_TRUE(v.serverFault);
    EXPECT_NE(v.why.find("status 127"), std::string::npos) << v.why;
    unsetenv("TMPDIR");
}

TEST(ReplayVerifierProcess, ARunningVerificationHoldsNoneOfTheServersDescriptors) {
    std::string folder = vr::testing::FreshFolder("verifier-descriptors");
    ReplayVerifier verifier(FakeVerifier(folder), {});
    int pipeEnds[2];  // as another verification's output, or a client's socket
    ASSERT_EQ(pipe(pipeEnds), 0);
    std::thread waiting([&] { verifier.Verify("WAIT"); });
    for (int i = 0; i < 3000 && !Running(folder + "/fake-game"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(Running(folder + "/fake-game"));
    // Closed here, the pipe ends at once unless a process of the running verification still holds it.
    close(pipeEnds[1]);
    pollfd end{pipeEnds[0], POLLIN, 0};
    EXPECT_EQ(poll(&end, 1, 0), 1);
    EXPECT_TRUE(end.revents & POLLHUP) << "the verification's processes hold the server's pipe";
    std::ofstream(folder + "/release") << "go";
    waiting.join();
    close(pipeEnds[0]);
}

TEST(ReplayVerifierProcess, RunsWithoutNetworkAndAsAnUnprivilegedUserWhenTheServerIsRoot) {
    std::string folder = vr::testing::FreshFolder("verifier-fence");
    Verdict v = ReplayVerifier(FakeVerifier(folder), {}).Verify("NETW");
    ASSERT_TRUE(v.proved) << v.why;
    if (geteuid() == 0)
        EXPECT_EQ(v.report.uploadName, "uid-65534-net-closed-files-readonly");
    else
        EXPECT_EQ(v.report.uploadName, "uid-" + std::to_string(geteuid()) + "-net-closed-files-written");
    EXPECT_THROW(ReplayVerifier(FakeVerifier(folder), VerifierLimits{.user = "no-such-user-here"}),
                 std::runtime_error) << "only as root is the user looked up";
}

namespace {

// A stand-in verifier whose "COST" replays take as long as the test holds them.
class GatedVerifier : public ReplayVerifier {
public:
    explicit GatedVerifier(int atOnce) : ReplayVerifier("/bin/false", VerifierLimits{.atOnce = atOnce}) {}
    Verdict Verify(const std::string& replay) override {
        std::unique_lock<std::mutex> lock(mutex_);
        order.push_back(replay);
        ++started;
        changed_.notify_all();
        if (replay.rfind("COST", 0) == 0) changed_.wait(lock, [&] { return open_; });
        Verdict v;
        v.why = "stand-in: " + replay;
        return v;
    }
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void WaitForStarts(int n) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return started >= n; });
    }
    std::vector<std::string> order;
    int started = 0;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

}  // namespace

TEST(VerificationQueue, OneAddressesCostlyReplaysDelayOnlyThatAddress) {
    for (int verifiers : {1, 2}) {
        GatedVerifier gated(verifiers);
        std::vector<std::pair<std::string, Outcome>> judged;
        std::mutex m;
        VerificationQueue queue(gated, [&](const std::string& client, const std::string&, const Verdict& v) {
            std::lock_guard<std::mutex> lock(m);
            judged.push_back({client, Outcome{422, v.why}});
            return Outcome{422, v.why};
        });
        std::string tickets[5];
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(queue.Submit("10.0.0.1", "COST" + std::to_string(i), tickets[i]), VerificationQueue::Admission::kQueued);
        gated.WaitForStarts(1);
        ASSERT_EQ(queue.Submit("10.0.0.2", "HONEST", tickets[4]), VerificationQueue::Admission::kQueued);
        if (verifiers == 2) {
            // A second verifier takes the honest replay while the first address's replay still runs.
            gated.WaitForStarts(2);
            for (int i = 0; i < 6000 && queue.Look(tickets[4])->status == 202; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            EXPECT_EQ(queue.Look(tickets[4])->text, "stand-in: HONEST");
            EXPECT_EQ(queue.Look(tickets[1])->status, 202);  // never two of one address at once
        }
        gated.Open();
        for (const std::string& t : tickets)
            for (int i = 0; i < 6000 && queue.Look(t)->status == 202; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // The honest replay came right after the replay that was running when it arrived.
        ASSERT_EQ(gated.order.size(), 5u);
        EXPECT_EQ(gated.order[1], "HONEST") << verifiers << " verifiers";
    }
    // A full line is refused rather than held.
    GatedVerifier gated(1);
    VerificationQueue queue(gated, [](auto&&...) { return Outcome{200, ""}; }, QueueLimits{.perClient = 2, .total = 3});
    std::string t;
    EXPECT_EQ(queue.Submit("a", "COST1", t), VerificationQueue::Admission::kQueued);
    gated.WaitForStarts(1);  // running, no longer waiting
    EXPECT_EQ(queue.Submit("a", "COST2", t), VerificationQueue::Admission::kQueued);
    EXPECT_EQ(queue.Submit("a", "COST3", t), VerificationQueue::Admission::kQueued);
    EXPECT_EQ(queue.Submit("a", "COST4", t), VerificationQueue::Admission::kClientFull);
    EXPECT_EQ(queue.Submit("b", "v", t), VerificationQueue::Admission::kQueued);
    EXPECT_EQ(queue.Submit("c", "u", t), VerificationQueue::Admission::kQueueFull);
    gated.Open();
}

TEST(ReplayVerifierProcess, AServerWithoutAVerifierSaysSo) {
    Server s("sqlite:" + vr::testing::FreshFolder("no-verifier") + "/scores.db");
    auto r = s.PostReplay("GOOD");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 503);
    EXPECT_NE(r->body.find("does not verify replays"), std::string::npos);
}
