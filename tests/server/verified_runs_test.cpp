// Recorded runs sent to the score server: a stand-in for the game's --verify
// judges them (the real game does in the end-to-end test), so these tests
// cover what the server makes of each answer, what it stores, and the limits
// it puts on the verifying process.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "score_server_fixture.h"
#include "temporary_postgres.h"
#include "test_files.h"

using namespace scores;
using scores::testing::Server;

namespace {

// A verifier that answers by the replay's first four bytes, as --verify does.
std::string FakeVerifier(const std::string& folder) {
    std::string path = folder + "/fake-game";
    std::ofstream(path) << "#!/bin/sh\n"
                           "[ \"$1\" = --verify ] || exit 2\n"
                           "case \"$(head -c 4 \"$2\")\" in\n"
                           "  GOOD) printf 'score 48\\ntime 26\\nname Ace Pilot\\nnname Ace%%20Pilot\\n' ;;\n"
                           "  MORE) printf 'score 99\\ntime 26\\nnname Ace%%20Pilot\\n' ;;\n"
                           "  HANG) exec sleep 30 ;;\n"
                           "  TWIC) printf 'score 1\\ntime 2\\nnname x\\nscore 99\\n' ;;\n"
                           "  *) echo \"VortexRaiders: $2 is refused: the replay is damaged\" >&2; exit 1 ;;\n"
                           "esac\n";
    chmod(path.c_str(), 0755);
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

        struct Case {
            std::string body;
            int status;
            std::string says;
        };
        for (const Case& c : {Case{"junk", 422, "Refused: the replay is damaged"},
                              Case{"MORE", 409, "\"Ace Pilot\" with 99 points, but no such score is listed"},
                              Case{"TWIC", 422, "the verifier's answer for this replay cannot be read"},
                              Case{"", 400, "holds no replay"},
                              Case{std::string(score_protocol::kMaxReplayBytes + 1, 'G'), 413, "at most 1048576 bytes"},
                              Case{replay, 200, "OK: verified: \"Ace Pilot\" with 48 points"},
                              Case{"GOOD another recording", 200, "OK: already verified"}}) {
            auto r = s.PostReplay(c.body);
            ASSERT_TRUE(r) << c.says;
            EXPECT_EQ(r->status, c.status) << c.says << ": " << r->body;
            EXPECT_NE(r->body.find(c.says), std::string::npos) << r->body;
        }
    }
    // After a restart: the proof and the first replay are there, byte for byte.
    Server s(db, {}, &verifier);
    auto best = s.store->Best(10);
    ASSERT_EQ(best.size(), 2u);
    EXPECT_FALSE(best[0].verified);  // Typed
    ASSERT_TRUE(best[1].verified);
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

TEST(ReplayVerifierProcess, IsKilledAtItsDeadlineAndLeavesNoScratchFiles) {
    std::string folder = vr::testing::FreshFolder("verifier-process");
    std::string scratch = folder + "/tmp";
    std::filesystem::create_directories(scratch);
    setenv("TMPDIR", scratch.c_str(), 1);
    VerifierLimits limits;
    limits.wallSeconds = 1;
    ReplayVerifier verifier(FakeVerifier(folder), limits);
    auto start = std::chrono::steady_clock::now();
    Verdict hung = verifier.Verify("HANG");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));  // not the sleep's 30 s
    EXPECT_FALSE(hung.proved);
    EXPECT_FALSE(hung.serverFault);
    EXPECT_EQ(hung.why, "the replay took longer than 1 s to verify");
    Verdict good = verifier.Verify("GOOD");
    EXPECT_TRUE(good.proved) << good.why;
    EXPECT_EQ(good.name, "Ace Pilot");
    EXPECT_EQ(good.score, 48);
    EXPECT_TRUE(std::filesystem::is_empty(scratch));

    ReplayVerifier missing(folder + "/no-such-game", {});
    Verdict v = missing.Verify("GOOD");
    EXPECT_TRUE(v.serverFault);
    EXPECT_NE(v.why.find("status 127"), std::string::npos) << v.why;
    unsetenv("TMPDIR");
}

TEST(ReplayVerifierProcess, AServerWithoutAVerifierSaysSo) {
    Server s("sqlite:" + vr::testing::FreshFolder("no-verifier") + "/scores.db");
    auto r = s.PostReplay("GOOD");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 503);
    EXPECT_NE(r->body.find("does not verify replays"), std::string::npos);
}
