// The score store in one SQLite database file, in write-ahead-log mode with
// full sync, for one server process. Writes go through one connection; page
// reads through a second one, so that a page is read while a commit waits
// for the disk.
#pragma once
#include <memory>
#include <mutex>
#include <string>

#include "group_commit.h"
#include "score_store.h"

struct sqlite3;

namespace scores {

class SqliteStore : public BatchingStore {
public:
    // Opens (and on first use creates) the database file; throws std::runtime_error.
    explicit SqliteStore(const std::string& path);
    ~SqliteStore() override;

    using ScoreStore::Page;
    ScorePage Page(int limit, bool verifiedOnly) override;
    Proof MarkVerified(const std::string& name, int32_t score, const std::string& replay,
                       const std::string& run) override;
    std::optional<std::string> VerifiedReplay(int64_t id) override;
    int64_t EntryCount() override;
    std::string Describe() const override { return "SQLite database " + path_; }

private:
    Proof MarkVerifiedLocked(const std::string& name, int32_t score, const std::string& replay, const std::string& run);
    void Migrate();
    void WriteBatch(const std::vector<GroupCommit::Pending*>& batch) override;
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    using Connection = std::unique_ptr<sqlite3, Closer>;
    std::string path_;
    Connection db_;
    std::mutex mutex_;  // db_
    Connection reader_;
    std::mutex readerMutex_;  // reader_
};

}  // namespace scores
