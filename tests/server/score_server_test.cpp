#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "score_server_fixture.h"
#include "temporary_postgres.h"
#include "test_files.h"

using namespace scores;
using namespace score_protocol;
using scores::testing::Connect;
using scores::testing::Server;

namespace {

// What arrives on `fd` within `ms` (until the peer closes or goes quiet).
std::string Receive(int fd, int ms) {
    std::string got;
    char buf[4096];
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, ms) > 0) {
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        got.append(buf, size_t(n));
        if (got.find("</html>") != std::string::npos || got.find("again in a moment") != std::string::npos) break;
    }
    return got;
}

// Every test runs on both stores: a fresh SQLite file, a fresh PostgreSQL database.
// Runs SQL on an SQLite file directly; true when it succeeded.
bool SqliteExec(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

class ScoreServer : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (std::string(GetParam()) == "SQLite")
            db = "sqlite:" + vr::testing::FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 "/scores.db";
        else
            db = scores::testing::FreshPostgresDatabase();
    }
    std::string db;  // the store's URL
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Stores, ScoreServer, ::testing::Values("SQLite", "PostgreSQL"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(ScoreServer, StoresEachNameAndScoreOnceAndCountsUploads) {
    Server s(db);
    ASSERT_GT(s.port, 0);
    EXPECT_EQ(s.Upload("nname=Tom%20and%20Jerry&nscore=120&nreplay=120"), 200);
    EXPECT_EQ(s.Upload("nname=Tom%20and%20Jerry&nscore=120&nreplay=120"), 200);
    EXPECT_EQ(s.Upload("nname=Tom%20and%20Jerry&nscore=121&nreplay=121&counter=true"), 200);
    EXPECT_EQ(s.store->EntryCount(), 2);
    EXPECT_EQ(s.store->UploadCount(), 1);
    auto best = s.store->Best(100);
    ASSERT_EQ(best.size(), 2u);
    EXPECT_EQ(best[0].score, 121);
    EXPECT_EQ(best[0].name, "Tom and Jerry");
    EXPECT_EQ(best[0].client, "127.0.0.1");
    EXPECT_EQ(best[0].received.size(), 19u);
}

TEST_P(ScoreServer, BadRequestsAnswer400WithTheReasonAndChangeNothing) {
    Server s(db);
    struct Case {
        std::string query;
        const char* reason;
    } refused[] = {
        {"nname=x&nreplay=1", "nscore is missing"},
        {"nname=x&nscore=12a&nreplay=1", "nscore is not a whole number"},
        {"nname=x&nscore=&nreplay=1", "nscore is not a whole number"},
        {"nname=x&nscore=99999999999&nreplay=1", "nscore is not a whole number"},
        {"nname=x&nscore=-1&nreplay=-1", "nscore must be from 0 to 32767"},
        {"nname=x&nscore=32768&nreplay=32768", "nscore must be from 0 to 32767"},
        {"nname=&nscore=5", "the name is empty"},
        {"nscore=5", "nname is missing"},
        {"nname=" + std::string(255, 'a') + "&nscore=5", "the name is longer than 254 bytes"},
        {"nname=a%2&nscore=5", "a broken percent escape in nname"},
        {"nname=b&nscore=5&\x1b[2J=%", "a broken percent escape in ?[2J"},  // the answer shows no control character
        {"nname=b&nscore=5&pad=" + std::string(2100, 'p'), "the query is longer than 2 KiB"},
        {"nname=b&nscore=5&counter=true&pad=" + std::string(3000, 'p'), "the query is longer than 2 KiB"},
    };
    for (const Case& c : refused) {
        auto r = s.Get(std::string(kUploadPath) + "?" + c.query);
        ASSERT_TRUE(r) << c.query;
        EXPECT_EQ(r->status, 400) << c.query;
        EXPECT_EQ(r->body, std::string("Bad request: ") + c.reason + "\n") << c.query;
    }
    EXPECT_EQ(s.store->EntryCount(), 0);
    EXPECT_EQ(s.store->UploadCount(), 0);
    // The edges that are taken: a 254-byte name, 0 (the game's empty places) and 32767 points.
    for (const std::string& taken : {"nname=" + std::string(254, 'a') + "&nscore=5&counter=true",
                                     std::string("nname=RE%20Rize&nscore=0&nreplay=0"), std::string("nname=x&nscore=32767")})
        EXPECT_EQ(s.Upload(taken), 200) << taken;
    EXPECT_EQ(s.store->EntryCount(), 3);
    EXPECT_EQ(s.store->UploadCount(), 1);
    auto page = s.Get("/index2.php?game=8");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 404);
}

TEST_P(ScoreServer, NamesAreStoredExactlyAndShownEscaped) {
    Server s(db);
    std::string name = "<b>&\"'\xC3\xA9t\xC3\xA9";
    EXPECT_EQ(s.Upload("nname=%3Cb%3E%26%22%27%C3%A9t%C3%A9&nscore=42&nreplay=42"), 200);
    EXPECT_EQ(s.Upload("nname=raw%FFbyte&nscore=41"), 200);
    // "&" is a character of its own, not "and" (which the game sends in its place).
    EXPECT_EQ(s.Upload("nname=Tom%20%26%20Jerry&nscore=40"), 200);
    EXPECT_EQ(s.Upload("nname=Tom%20and%20Jerry&nscore=40"), 200);
    auto best = s.store->Best(10);
    ASSERT_EQ(best.size(), 4u);
    EXPECT_EQ(best[0].name, name);
    EXPECT_EQ(best[1].name, "raw\xFF" "byte");
    EXPECT_EQ(best[2].name, "Tom & Jerry");
    auto page = s.Get("/index2.php?game=9");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->get_header_value("Content-Type").find("text/html"), std::string::npos);
    EXPECT_NE(page->body.find("&lt;b&gt;&amp;&quot;&#39;\xC3\xA9t\xC3\xA9"), std::string::npos);
    EXPECT_EQ(page->body.find("<b>"), std::string::npos);
    EXPECT_NE(page->body.find("<!DOCTYPE html>"), std::string::npos);
    EXPECT_NE(page->body.find("Uploads so far: 0"), std::string::npos);
    // The stored byte that is not UTF-8 shows as a replacement character.
    EXPECT_NE(page->body.find(">raw&#xFFFD;byte<"), std::string::npos);
    EXPECT_NE(page->body.find(">Tom &amp; Jerry<"), std::string::npos);
    EXPECT_NE(page->body.find(">Tom and Jerry<"), std::string::npos);
}

TEST(ScoreHtml, KeepsWellFormedUtf8AndReplacesBrokenSequences) {
    EXPECT_EQ(HtmlEscape("\xE2\x82\xAC \xF0\x9F\x9A\x80"), "\xE2\x82\xAC \xF0\x9F\x9A\x80");
    EXPECT_EQ(HtmlEscape("a\xC3"), "a&#xFFFD;");                  // cut short at the end
    EXPECT_EQ(HtmlEscape("\xC0\xBC"), "&#xFFFD;&#xFFFD;");         // overlong "<"
    EXPECT_EQ(HtmlEscape("\xED\xA0\x80"), "&#xFFFD;&#xFFFD;&#xFFFD;");  // a surrogate
    EXPECT_EQ(HtmlEscape("\xE2\x82<"), "&#xFFFD;&#xFFFD;&lt;");
    EXPECT_EQ(HtmlEscape("tab\there"), "tab&#xFFFD;here");
}

TEST_P(ScoreServer, ConcurrentUploadsAreCommittedTogetherAndEachOnce) {
    // On PostgreSQL two stores, as two servers would be, opened at the same
    // moment on a database without tables, and the threads alternate between them.
    int servers = std::string(GetParam()) == "SQLite" ? 1 : 2;
    std::vector<std::unique_ptr<ScoreStore>> stores(servers);
    std::vector<std::thread> opening;
    for (int i = 0; i < servers; ++i) opening.emplace_back([&, i] { stores[i] = OpenStore(db); });
    for (auto& th : opening) th.join();
    constexpr int kThreads = 12, kEach = 40;
    std::atomic<int> added{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            // Every name is sent by two threads; only one of them may add it.
            for (int i = 0; i < kEach; ++i)
                if (stores[t % servers]->Add("n" + std::to_string((t / 2) * kEach + i), i, "127.0.0.1", true)) ++added;
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(added.load(), kThreads / 2 * kEach);
    for (auto& store : stores) {
        EXPECT_EQ(store->EntryCount(), kThreads / 2 * kEach);
        EXPECT_EQ(store->UploadCount(), kThreads * kEach);
    }
}

TEST_P(ScoreServer, ASecondServerCannotTakeTheSamePort) {
    Server s(db);
    ScoreService second(*s.store);
    EXPECT_FALSE(second.Bind("127.0.0.1", s.port));
    EXPECT_EQ(s.Upload("nname=still&nscore=1"), 200);
}

TEST_P(ScoreServer, RestartsWithItsDataAndListsTheBestHundred) {
    {
        Server s(db);
        for (int i = 1; i <= 120; ++i) ASSERT_EQ(s.Upload("nname=p" + std::to_string(i) + "&nscore=" + std::to_string(i)), 200);
    }
    Server again(db);
    EXPECT_EQ(again.store->EntryCount(), 120);
    auto page = again.Get("/index2.php?game=9");
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find(">p120<"), std::string::npos);
    EXPECT_NE(page->body.find(">p21<"), std::string::npos);
    EXPECT_EQ(page->body.find(">p20<"), std::string::npos);  // only the best 100
    EXPECT_LT(page->body.find(">p120<"), page->body.find(">p119<"));
}

TEST_P(ScoreServer, OneClientsIdleKeepAliveConnectionsDoNotStarveTheOthers) {
    Server s(db);
    const std::string page = "GET /index2.php?game=9 HTTP/1.1\r\nHost: t\r\n\r\n";
    std::vector<int> held;
    for (int i = 0; i < 40; ++i) {
        held.push_back(Connect(s.port, "127.0.0.1"));
        ASSERT_GE(held.back(), 0);
        ASSERT_EQ(send(held.back(), page.data(), page.size(), MSG_NOSIGNAL), ssize_t(page.size()));
    }
    int served = 0, refused = 0;
    for (int fd : held) {
        std::string answer = Receive(fd, 2000);
        served += answer.rfind("HTTP/1.1 200", 0) == 0;
        refused += answer.rfind("HTTP/1.1 503", 0) == 0;
    }
    EXPECT_EQ(served, 8);
    EXPECT_EQ(refused, 32);

    // The served connections stay open and idle; another address is answered at once.
    httplib::Client other("127.0.0.1", s.port);
    other.set_interface("127.0.0.2");
    other.set_read_timeout(1, 0);  // the bound: no answer within it is a failure
    auto r = other.Get((std::string(kUploadPath) + "?nname=other&nscore=7&nreplay=7").c_str());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    auto best = s.store->Best(1);
    ASSERT_EQ(best.size(), 1u);
    EXPECT_EQ(best[0].client, "127.0.0.2");
    for (int fd : held) close(fd);
}

TEST_P(ScoreServer, AnIdleKeepAliveConnectionIsClosed) {
    Server s(db, {4, 0, std::chrono::milliseconds(100)});
    int fd = Connect(s.port, "127.0.0.1");
    const std::string page = "GET /index2.php?game=9 HTTP/1.1\r\nHost: t\r\n\r\n";
    ASSERT_EQ(send(fd, page.data(), page.size(), MSG_NOSIGNAL), ssize_t(page.size()));
    EXPECT_EQ(Receive(fd, 2000).rfind("HTTP/1.1 200", 0), 0u);
    char byte;
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);     // within the bound, ten times the idle time
    EXPECT_EQ(recv(fd, &byte, 1, 0), 0);  // closed by the server
    close(fd);
}

TEST(ScoreStores, OpenRefusesWhatItCannotServeWithTheReason) {
    std::string folder = vr::testing::FreshFolder("store-refusals");
    std::string newer = "sqlite:" + folder + "/newer.db";
    OpenStore(newer).reset();
    ASSERT_TRUE(SqliteExec(folder + "/newer.db", "PRAGMA user_version = 99"));
    struct Case {
        std::string url, reason;
        bool unavailable;
    } cases[] = {
        {"mysql://localhost/scores", "neither sqlite:PATH nor a postgresql://", false},
        {"sqlite:", "sqlite: needs a file", false},
        {"sqlite:" + folder + "/no/such/folder/scores.db", "cannot open the database", false},
        {newer, "schema version 99, newer than this server's", false},
        {"postgresql:///scores?host=" + folder + "/no-server", "cannot connect to the PostgreSQL database", true},
    };
    for (const Case& c : cases) {
        try {
            OpenStore(c.url);
            ADD_FAILURE() << c.url << " opened";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
            EXPECT_EQ(dynamic_cast<const StoreUnavailable*>(&e) != nullptr, c.unavailable) << c.url;
        }
    }
}

TEST(ScoreStores, ASqliteFileOfTheEarlierServerKeepsItsEntriesAndCount) {
    std::string file = vr::testing::FreshFolder("earlier-file") + "/scores.db";
    // The tables as the server wrote them before its schema had a version.
    std::string sql =
        "CREATE TABLE entries (id INTEGER PRIMARY KEY, name BLOB NOT NULL, score INTEGER NOT NULL,"
        " received TEXT NOT NULL, client TEXT NOT NULL, UNIQUE (name, score));"
        "CREATE TABLE counters (key TEXT PRIMARY KEY, value INTEGER NOT NULL);"
        "INSERT INTO counters VALUES ('uploads', 7);"
        "INSERT INTO entries (name, score, received, client) VALUES (CAST('Ace' AS BLOB), 90, '2024-01-02 03:04:05', '10.0.0.1');";
    ASSERT_TRUE(SqliteExec(file, sql));
    auto store = OpenStore("sqlite:" + file);
    EXPECT_FALSE(store->Add("Ace", 90, "127.0.0.1", true));
    EXPECT_TRUE(store->Add("Bee", 80, "127.0.0.1", false));
    ScorePage page = store->Page(10);
    ASSERT_EQ(page.best.size(), 2u);
    EXPECT_EQ(page.best[0].name, "Ace");
    EXPECT_EQ(page.best[0].received, "2024-01-02 03:04:05");
    EXPECT_EQ(page.uploads, 8);
    store.reset();
    EXPECT_TRUE(SqliteExec(file, "DROP INDEX entries_rank"));  // the upgrade made the page's index
}
