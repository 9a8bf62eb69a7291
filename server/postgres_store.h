// The score store in a PostgreSQL database, shared by any number of server
// processes. Each process commits its queued uploads a batch per statement,
// a few batches at once (the database flushes concurrent commits together); the
// database's unique key keeps a (name, score) once whichever process sends
// it, and each connection counts uploads in a row of its own, so counting
// never waits on another process.
#pragma once
#include <atomic>
#include <string>

#include "group_commit.h"
#include "postgres_pool.h"
#include "score_store.h"

namespace scores {

class PostgresStore : public ScoreStore {
public:
    // Connects and creates or upgrades the schema; throws std::runtime_error
    // (StoreUnavailable when the database cannot be reached).
    explicit PostgresStore(const std::string& conninfo, const PoolOptions& options = {}, size_t commitLanes = 4);

    bool Add(const Upload& upload) override;
    ScorePage Page(int limit) override;
    int64_t EntryCount() override;
    int64_t Commits() const override { return commits_; }
    std::string Describe() const override { return "PostgreSQL database " + where_; }
    using ScoreStore::Add;

private:
    void Migrate(PgConnection& c);
    void WriteBatch(const std::vector<GroupCommit::Pending*>& batch);
    // Runs `read` on a pooled connection, once more on a fresh one when the
    // connection was lost under it.
    template <class Read>
    auto Reading(Read read);
    PgPool pool_;
    GroupCommit group_;
    std::string where_;
    std::atomic<int64_t> commits_{0};
};

}  // namespace scores
