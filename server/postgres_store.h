// The score store in a PostgreSQL database, shared by any number of server
// processes. Each process commits its queued uploads a batch per statement,
// a few batches at once (the database flushes concurrent commits together); the
// database's unique key keeps a (name, score) once whichever process sends
// it, and each connection counts uploads in a row of its own, so counting
// never waits on another process.
#pragma once
#include <string>

#include "group_commit.h"
#include "postgres_pool.h"
#include "score_store.h"

namespace scores {

class PostgresStore : public BatchingStore {
public:
    // Connects and creates or upgrades the schema; throws std::runtime_error
    // (StoreUnavailable when the database cannot be reached).
    explicit PostgresStore(const std::string& conninfo, const PoolOptions& options = {}, size_t commitLanes = 4);

    using ScoreStore::Page;
    ScorePage Page(int limit, bool verifiedOnly) override;
    Proof MarkVerified(const std::string& name, int32_t score, const std::string& replay,
                       const std::string& run) override;
    std::optional<std::string> VerifiedReplay(int64_t id) override;
    int64_t EntryCount() override;
    std::string Describe() const override { return "PostgreSQL database " + where_; }

private:
    void Migrate(PgConnection& c);
    void WriteBatch(const std::vector<GroupCommit::Pending*>& batch) override;
    // Runs `read` on a pooled connection, once more on a fresh one when the
    // connection was lost under it.
    template <class Read>
    auto Reading(Read read);
    PgPool pool_;
    std::string where_;
};

}  // namespace scores
