// The score server's storage: one SQLite database in write-ahead-log mode.
// Every accepted upload is committed before it is acknowledged.
#pragma once
#include <cstdint>
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
    // counts one upload when `countUpload`; all in one transaction. Returns
    // true when the entry was new.
    bool Add(const std::string& name, int32_t score, const std::string& client, bool countUpload);
    // The best entries, highest score first (earlier first on equal scores).
    std::vector<Entry> Best(int limit);
    int64_t EntryCount();
    int64_t UploadCount();

private:
    void Exec(const char* sql);
    sqlite3* db_ = nullptr;
    std::mutex mutex_;
};

}  // namespace scores
