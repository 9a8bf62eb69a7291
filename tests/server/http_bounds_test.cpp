// What the score server takes from the network is bounded: bodies however
// they are sent, headers in bytes and time; and a full disk is answered as a
// passing condition.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <list>
#include <mutex>

#include "score_server_fixture.h"
#include "test_files.h"

using namespace scores;
using namespace scores::testing;
using namespace score_protocol;

namespace {

// The peak resident memory of process `pid` so far, in KiB.
long PeakKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string key; status >> key;) {
        if (key == "VmHWM:" && status >> key) return std::stol(key);
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

void SendAll(int fd, const std::string& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return;  // the server closed: what it answered is read next
        at += size_t(n);
    }
}

const std::string kSmuggled = "GET " + UploadTarget("smuggled", 1, false) + " HTTP/1.1\r\nHost: t\r\n\r\n";

// While `full` is set, every write of an SQLite file opened after this fails
// as on a full disk.
class FullDisk {
public:
    FullDisk() {
        real_ = sqlite3_vfs_find(nullptr);
        vfs_ = *real_;
        vfs_.zName = "full-disk";
        vfs_.xOpen = Open;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~FullDisk() { sqlite3_vfs_unregister(&vfs_); }
    static inline std::atomic<bool> full{false};

private:
    // SQLite's files have several method tables (a database locks, its
    // journal does not): each gets a copy whose write can fail.
    struct Methods {
        const sqlite3_io_methods* real;
        sqlite3_io_methods failing;
    };
    static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* out) {
        int rc = real_->xOpen(real_, name, f, flags, out);
        if (rc != SQLITE_OK || !f->pMethods) return rc;
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = std::find_if(tables_.begin(), tables_.end(), [&](const Methods& m) { return m.real == f->pMethods; });
        if (it == tables_.end()) {
            it = tables_.insert(tables_.end(), {f->pMethods, *f->pMethods});
            it->failing.xWrite = Write;
        }
        f->pMethods = &it->failing;
        return rc;
    }
    static int Write(sqlite3_file* file, const void* data, int n, sqlite3_int64 at) {
        if (full) return SQLITE_FULL;
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Methods& m : tables_)
            if (&m.failing == file->pMethods) return m.real->xWrite(file, data, n, at);
        return SQLITE_IOERR_WRITE;
    }
    static inline sqlite3_vfs* real_ = nullptr;
    static inline std::mutex mutex_;
    static inline std::list<Methods> tables_;  // its elements stay where they are
    sqlite3_vfs vfs_{};
};

}  // namespace

TEST(ScoreServerBounds, ABodyOverTheBoundIsAnswered413AtTheBoundAndNothingAfterItIsRead) {
    ServerProcess server({"--database", "sqlite:" + vr::testing::FreshFolder("overlong-body") + "/scores.db",
                          "--verifier", "none"});
    // The body is made of uploads: any of it read as a request would be stored.
    std::string data;
    while (data.size() < 65536) data += kSmuggled;
    data.resize(65536);
    const std::string post = std::string("POST ") + kReplayPath + " HTTP/1.1\r\nHost: t\r\n";
    const size_t total = size_t(64) << 20;
    struct Case {
        std::string head, unit;
    } cases[] = {{post + "Transfer-Encoding: chunked\r\n\r\n", "10000\r\n" + data + "\r\n"},
                 {post + "Content-Length: " + std::to_string(total) + "\r\n\r\n", data}};
    for (const Case& c : cases) {
        long before = PeakKiB(server.Pid());
        int fd = Connect(server.port, "127.0.0.1");
        SendAll(fd, c.head);
        // 64 MiB, sent until the server answers or stops taking it.
        size_t sent = 0;
        pollfd p{fd, POLLIN | POLLOUT, 0};
        while (sent < total && poll(&p, 1, 5000) > 0 && !(p.revents & POLLIN)) {
            size_t at = sent % c.unit.size();
            ssize_t n = send(fd, c.unit.data() + at, c.unit.size() - at, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n <= 0) break;
            sent += size_t(n);
        }
        Arrived answer = ReadUntilClosed(fd, 5000);
        close(fd);
        EXPECT_LT(sent, total / 4) << c.head;
        EXPECT_EQ(answer.text.rfind("HTTP/1.1 413", 0), 0u) << answer.text;
        EXPECT_NE(answer.text.find("Payload too large: a replay is at most 1048576 bytes."), std::string::npos);
        EXPECT_EQ(answer.text.find("HTTP/1.1", 1), std::string::npos) << answer.text;
        EXPECT_TRUE(answer.closed);
        EXPECT_LT(PeakKiB(server.Pid()) - before, 40 * 1024) << c.head;
    }
    auto page = httplib::Client("127.0.0.1", server.port).Get(PageTarget());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->body.find("smuggled"), std::string::npos);
}

TEST(ScoreServerBounds, RequestsCutShortAreAnsweredOnceAndTheirConnectionsClosed) {
    ConnectionLimits limits;
    limits.idle = std::chrono::seconds(30);  // a connection closed here was closed by its answer
    Server s("sqlite:" + vr::testing::FreshFolder("cut-short") + "/scores.db", limits);
    const std::string post =
        std::string("POST ") + kReplayPath + " HTTP/1.1\r\nHost: t\r\nTransfer-Encoding: chunked\r\n\r\n";
    auto chunked = [](size_t bytes) {  // in one chunk, within the room left for framing
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", bytes);
        return size + std::string(bytes, 'r') + "\r\n0\r\n\r\n";
    };
    struct Case {
        std::string request;
        const char* answer;
        bool closed;
    } cases[] = {
        {post + "zz\r\n" + kSmuggled, "HTTP/1.1 400 ", true},  // a broken chunk
        {post + chunked(kMaxReplayBytes + 1) + kSmuggled, "HTTP/1.1 413 ", true},
        {post + chunked(kMaxReplayBytes), "HTTP/1.1 503 ", false},  // taken, and refused by a server without a verifier
        {"GET " + PageTarget() + " HTTP/1.1\r\nX: " + std::string(40000, 'x') + "\r\n\r\n" + kSmuggled,
         "HTTP/1.1 431 ", true},
    };
    for (const Case& c : cases) {
        int fd = Connect(s.port, "127.0.0.1");
        SendAll(fd, c.request);
        Arrived got = ReadUntilClosed(fd, 2000);
        close(fd);
        EXPECT_EQ(got.text.rfind(c.answer, 0), 0u) << got.text.substr(0, 300);
        EXPECT_EQ(got.text.find("HTTP/1.1", 1), std::string::npos) << got.text.substr(0, 300);
        EXPECT_EQ(got.closed, c.closed) << c.answer;
    }
    EXPECT_EQ(s.store->EntryCount(), 0);
}

TEST(ScoreServerBounds, ConnectionsTricklingTheirHeadersFromAHandfulOfAddressesDelayOthersLittle) {
    Server s("sqlite:" + vr::testing::FreshFolder("trickling") + "/scores.db");  // 32 workers, 8 per address
    const std::string head = "GET " + PageTarget() + " HTTP/1.1\r\nHost: t\r\nX-Slow: ";
    std::vector<int> slow;
    for (int i = 0; i < 32; ++i) {
        slow.push_back(Connect(s.port, ("127.0.0." + std::to_string(2 + i / 8)).c_str()));
        ASSERT_GE(slow.back(), 0);
        SendAll(slow.back(), head);
    }
    // A byte a second on each, until the honest upload is answered (at most 10 s).
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    std::thread trickle([&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (int i = 0; i < 10 && !answered.wait_for(lock, std::chrono::seconds(1), [&] { return done; }); ++i)
            for (int fd : slow) send(fd, "a", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    });
    httplib::Client honest("127.0.0.1", s.port);
    honest.set_interface("127.0.0.6");
    honest.set_connection_timeout(3, 0);
    honest.set_write_timeout(3, 0);
    honest.set_read_timeout(3, 0);
    auto r = honest.Get(UploadTarget("Honest", 77, false));
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    answered.notify_all();
    trickle.join();
    ASSERT_TRUE(r) << "no answer within 3 s (error " << int(r.error()) << ")";
    EXPECT_EQ(r->status, 200);
    int timedOut = 0;
    for (int fd : slow) {
        timedOut += ReadUntilClosed(fd, 5000).text.rfind("HTTP/1.1 408 ", 0) == 0;
        close(fd);
    }
    EXPECT_EQ(timedOut, 32);
}

TEST(ScoreStores, AFullDiskIsAnswered503WithRetryAfterAndTheUploadIsTakenOnceThereIsRoom) {
    FullDisk disk;
    Server s("sqlite:" + vr::testing::FreshFolder("full-disk") + "/scores.db");
    ASSERT_EQ(s.Upload("nname=before&nscore=1"), 200);
    FullDisk::full = true;
    auto r = s.Get(UploadTarget("during", 2, true));
    FullDisk::full = false;
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 503);
    EXPECT_EQ(r->get_header_value("Retry-After"), "60");
    EXPECT_NE(r->body.find("has no room"), std::string::npos) << r->body;
    EXPECT_EQ(s.Upload("nname=during&nscore=2&counter=true"), 200);
    EXPECT_EQ(s.store->EntryCount(), 2);
    EXPECT_EQ(s.store->UploadCount(), 1);
}
