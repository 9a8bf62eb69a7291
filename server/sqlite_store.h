// The score store in one SQLite database file, in write-ahead-log mode with
// full sync, for one server process.
#pragma once
#include <atomic>
#include <mutex>
#include <string>

#include "group_commit.h"
#include "score_store.h"

struct sqlite3;

namespace scores {

class SqliteStore : public ScoreStore {
public:
    // Opens (and on first use creates) the database file; throws std::runtime_error.
    explicit SqliteStore(const std::string& path);
    ~SqliteStore() override;

    bool Add(const Upload& upload) override;
    ScorePage Page(int limit) override;
    int64_t EntryCount() override;
    int64_t Commits() const override { return commits_; }
    std::string Describe() const override { return "SQLite database " + path_; }
    using ScoreStore::Add;

private:
    void Exec(const char* sql);
    void Migrate();
    void WriteBatch(const std::vector<GroupCommit::Pending*>& batch);
    std::string path_;
    sqlite3* db_ = nullptr;
    std::mutex mutex_;  // the connection
    GroupCommit group_;
    std::atomic<int64_t> commits_{0};
};

}  // namespace scores
