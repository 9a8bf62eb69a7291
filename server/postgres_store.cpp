#include "postgres_store.h"

#include <map>
#include <utility>

namespace scores {

namespace {

// Held (per database) while a starting server creates or upgrades the schema
// and tidies the counts, so servers starting together take turns.
constexpr const char* kSchemaLock = "SELECT pg_advisory_xact_lock(5649525301)";

// The schema, step by step; schema_version holds how many steps are done.
const char* const kSchemaSteps[] = {
    "CREATE TABLE entries ("
    " id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
    " name bytea NOT NULL,"
    " score integer NOT NULL,"
    " received timestamptz NOT NULL DEFAULT now(),"
    " client text NOT NULL,"
    " UNIQUE (name, score));"
    "CREATE INDEX entries_rank ON entries (score DESC, id);"
    // Uploads counted, one row per database connection (its backend's process
    // id); the count is their sum. Rows of closed connections are folded into
    // row 0 when a server starts, under the schema's lock.
    "CREATE TABLE upload_counts (slot integer PRIMARY KEY, n bigint NOT NULL);",
    // Entries proved by a replay of their run, with that replay.
    "CREATE TABLE verified_runs ("
    " entry_id bigint PRIMARY KEY REFERENCES entries (id),"
    " replay bytea NOT NULL,"
    " verified timestamptz NOT NULL DEFAULT now());",
    // The fingerprint of each proved run: a run proves one entry.
    "ALTER TABLE verified_runs ADD COLUMN run text UNIQUE;",
};
constexpr int kSchemaVersion = int(std::size(kSchemaSteps));

constexpr const char* kFoldCounts =
    "WITH gone AS (DELETE FROM upload_counts WHERE slot <> 0"
    " AND slot NOT IN (SELECT pid FROM pg_stat_activity) RETURNING n)"
    " INSERT INTO upload_counts (slot, n) SELECT 0, coalesce(sum(n), 0) FROM gone"
    " ON CONFLICT (slot) DO UPDATE SET n = upload_counts.n + EXCLUDED.n";

// One statement, so one transaction: the batch's entries in a fixed order (two
// servers inserting the same names wait for each other, never deadlock), the
// count, and the entries that were new.
constexpr const char* kAddBatch =
    "WITH added AS ("
    " INSERT INTO entries (name, score, client)"
    " SELECT name, score, client FROM unnest($1::bytea[], $2::integer[], $3::text[]) AS u (name, score, client)"
    " ORDER BY name, score"
    " ON CONFLICT (name, score) DO NOTHING RETURNING name, score),"
    " counted AS ("
    " INSERT INTO upload_counts (slot, n) SELECT $4::integer, $5::bigint WHERE $5::bigint > 0"
    " ON CONFLICT (slot) DO UPDATE SET n = upload_counts.n + EXCLUDED.n)"
    " SELECT name, score FROM added";

constexpr const char* kPage =
    "SELECT (SELECT coalesce(sum(n), 0) FROM upload_counts), e.id, e.name, e.score,"
    " to_char(e.received AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'), e.client, e.verified"
    " FROM (SELECT 1) AS one LEFT JOIN LATERAL"
    " (SELECT id, name, score, received, client, v.entry_id IS NOT NULL AS verified FROM entries"
    " LEFT JOIN verified_runs AS v ON v.entry_id = id WHERE NOT $2::boolean OR v.entry_id IS NOT NULL"
    " ORDER BY score DESC, id LIMIT $1::integer) AS e ON true";

// One statement, so one transaction: the entry, and its proof unless it has
// one or the run proved another entry already.
constexpr const char* kMarkVerified =
    "WITH e AS (SELECT id FROM entries WHERE name = $1::bytea AND score = $2::integer),"
    " marked AS (INSERT INTO verified_runs (entry_id, replay, run) SELECT id, $3::bytea, NULLIF($4::text, '') FROM e"
    " ON CONFLICT DO NOTHING RETURNING entry_id)"
    " SELECT (SELECT id FROM e), (SELECT entry_id FROM marked)";
// The entry a run proved, and its name.
constexpr const char* kRunOwner =
    "SELECT v.entry_id, e.name FROM verified_runs AS v JOIN entries AS e ON e.id = v.entry_id WHERE v.run = $1::text";

// A PostgreSQL array literal of quoted elements.
template <class Each>
std::string ArrayLiteral(const std::vector<GroupCommit::Pending*>& batch, Each each) {
    std::string out = "{";
    for (size_t i = 0; i < batch.size(); ++i) {
        if (i) out += ',';
        out += '"';
        for (char c : each(batch[i]->upload)) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        out += '"';
    }
    return out + "}";
}

std::string Hex(const std::string& bytes) {
    static const char* kDigits = "0123456789abcdef";
    std::string out = "\\x";
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

}  // namespace

PostgresStore::PostgresStore(const std::string& conninfo, const PoolOptions& options, size_t commitLanes)
    : BatchingStore(commitLanes), pool_(conninfo, options) {
    auto c = pool_.Acquire();
    Migrate(*c);
    where_ = c->Describe();
}

void PostgresStore::Migrate(PgConnection& c) {
    // Rolled back unless committed (on a connection that is still there).
    struct Transaction {
        PgConnection& c;
        bool committed = false;
        explicit Transaction(PgConnection& connection) : c(connection) { c.Exec("BEGIN"); }
        ~Transaction() {
            if (!committed && !c.Broken()) c.TryExec("ROLLBACK");
        }
    } t(c);
    c.Exec(kSchemaLock);
    c.Exec("CREATE TABLE IF NOT EXISTS schema_version (version integer NOT NULL)");
    PgResult v = c.Run("schema_version", "SELECT coalesce(max(version), 0) FROM schema_version", {});
    int version = int(v.Number(0, 0));
    if (version > kSchemaVersion)
        throw std::runtime_error("the database has schema version " + std::to_string(version) +
                                 ", newer than this server's " + std::to_string(kSchemaVersion));
    for (int step = version; step < kSchemaVersion; ++step) c.Exec(kSchemaSteps[step]);
    if (version < kSchemaVersion)
        c.Exec("DELETE FROM schema_version; INSERT INTO schema_version VALUES (" + std::to_string(kSchemaVersion) + ")");
    c.Exec(kFoldCounts);
    c.Exec("COMMIT");
    t.committed = true;
}

void PostgresStore::WriteBatch(const std::vector<GroupCommit::Pending*>& batch) {
    int64_t counted = 0;
    for (auto* p : batch) counted += p->upload.countUpload;
    auto c = pool_.Acquire();
    PgResult added = c->Run("add_batch", kAddBatch,
                            {ArrayLiteral(batch, [](const Upload& u) { return Hex(u.name); }),
                             ArrayLiteral(batch, [](const Upload& u) { return std::to_string(u.score); }),
                             ArrayLiteral(batch, [](const Upload& u) { return u.client; }),
                             std::to_string(c->BackendPid()), std::to_string(counted)});
    // The first of equal uploads in the batch is the one that was new.
    std::map<std::pair<std::string, int32_t>, int> fresh;
    for (int row = 0; row < added.Rows(); ++row) ++fresh[{added.Bytes(row, 0), int32_t(added.Number(row, 1))}];
    for (auto* p : batch) {
        auto it = fresh.find({p->upload.name, p->upload.score});
        p->added = it != fresh.end() && it->second-- > 0;
    }
}

template <class Read>
auto PostgresStore::Reading(Read read) {
    for (int attempt = 0;; ++attempt) {
        auto c = pool_.Acquire();
        try {
            return read(*c);
        } catch (const StoreUnavailable&) {
            if (attempt > 0 || !c->Broken()) throw;
        }
    }
}

ScorePage PostgresStore::Page(int limit, bool verifiedOnly) {
    return Reading([limit, verifiedOnly](PgConnection& c) {
        PgResult r = c.Run("page", kPage, {std::to_string(limit), verifiedOnly ? "true" : "false"});
        ScorePage page;
        for (int row = 0; row < r.Rows(); ++row) {
            page.uploads = r.Number(row, 0);
            if (r.IsNull(row, 1)) continue;
            Entry e;
            e.id = r.Number(row, 1);
            e.name = r.Bytes(row, 2);
            e.score = int32_t(r.Number(row, 3));
            e.received = r.Text(row, 4);
            e.client = r.Text(row, 5);
            e.verified = r.Text(row, 6) == "t";
            page.best.push_back(std::move(e));
        }
        return page;
    });
}

Proof PostgresStore::MarkVerified(const std::string& name, int32_t score, const std::string& replay,
                                  const std::string& run) {
    // One statement: a repeat after a lost connection finds it done or undone.
    return Reading([&](PgConnection& c) {
        PgResult r = c.Run("mark_verified", kMarkVerified, {Hex(name), std::to_string(score), Hex(replay), run});
        Proof proof;
        if (r.IsNull(0, 0)) return proof;
        proof.id = r.Number(0, 0);
        proof.outcome = r.IsNull(0, 1) ? Proof::kAlreadyVerified : Proof::kMarked;
        if (proof.outcome == Proof::kMarked || run.empty()) return proof;
        // Not marked: the entry had a proof, or the run proved another entry.
        PgResult owner = c.Run("run_owner", kRunOwner, {run});
        if (owner.Rows() > 0 && owner.Number(0, 0) != proof.id) {
            proof.outcome = Proof::kRunVerifiedElsewhere;
            proof.otherName = owner.Bytes(0, 1);
        }
        return proof;
    });
}

std::optional<std::string> PostgresStore::VerifiedReplay(int64_t id) {
    return Reading([id](PgConnection& c) -> std::optional<std::string> {
        PgResult r = c.Run("verified_replay", "SELECT replay FROM verified_runs WHERE entry_id = $1::bigint",
                           {std::to_string(id)});
        if (r.Rows() == 0) return std::nullopt;
        return r.Bytes(0, 0);
    });
}

int64_t PostgresStore::EntryCount() {
    return Reading([](PgConnection& c) { return c.Run("entry_count", "SELECT count(*) FROM entries", {}).Number(0, 0); });
}

}  // namespace scores
