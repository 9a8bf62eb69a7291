// The score server's storage: one SQLite database in write-ahead-log mode.
// Every accepted upload is committed before it is acknowledged. Uploads that
// arrive while a commit is running wait and go into the next transaction
// together (group commit), so one disk flush serves many of them.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

namespace scores {

struct Entry {
    std::string name;  // the bytes as received
    int32_t score = 0;
    std::string received;  // UTC, "YYYY-MM-DD HH:MM:SS"
    std::string client;
};

class ScoreStore {
public:
    // Opens (and on first use creates) the database file; throws std::runtime_error.
    explicit ScoreStore(const std::string& path);
    ~ScoreStore();
    ScoreStore(const ScoreStore&) = delete;
    ScoreStore& operator=(const ScoreStore&) = delete;

    // Stores an entry unless the same name and score are already there, and
    // counts one upload when `countUpload`; returns after the transaction
    // holding it is committed. Returns true when the entry was new; throws
    // std::runtime_error when it could not be stored.
    bool Add(const std::string& name, int32_t score, const std::string& client, bool countUpload);
    // The best entries, highest score first (earlier first on equal scores).
    std::vector<Entry> Best(int limit);
    int64_t EntryCount();
    int64_t UploadCount();
    // Transactions committed by Add since opening (for the load figures).
    int64_t Commits() const { return commits_; }

private:
    struct Pending {
        const std::string& name;
        int32_t score;
        const std::string& client;
        bool countUpload;
        bool done = false;
        bool added = false;
        std::exception_ptr error;
    };
    void Exec(const char* sql);
    // Stores the entries in one transaction, or, when that fails, each in its
    // own so that only the faulty ones report the error.
    void CommitBatch(const std::vector<Pending*>& batch);
    void CommitTogether(const std::vector<Pending*>& batch);
    void InsertOne(Pending& p);
    sqlite3* db_ = nullptr;
    std::mutex mutex_;  // the connection
    std::mutex queueMutex_;
    std::condition_variable committed_;
    std::vector<Pending*> queue_;
    bool writing_ = false;
    std::atomic<int64_t> commits_{0};
};

}  // namespace scores
