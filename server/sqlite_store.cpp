#include "sqlite_store.h"

#include <sqlite3.h>

#include <stdexcept>

namespace scores {

namespace {

// Throws for the failed call's result code `rc`: StoreFull when the disk is
// full, std::runtime_error otherwise.
[[noreturn]] void Fail(int rc, const std::string& why) {
    if ((rc & 0xff) == SQLITE_FULL) throw StoreFull("the SQLite database's disk is full: " + why);
    throw std::runtime_error("SQL error: " + why);
}

struct Statement {
    sqlite3_stmt* s = nullptr;
    Statement(sqlite3* db, const char* sql) {
        int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
        if (rc != SQLITE_OK) Fail(rc, sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(s); }
    // Runs a statement that returns no rows.
    void Done(sqlite3* db) {
        int rc = sqlite3_step(s);
        if (rc != SQLITE_DONE) Fail(rc, sqlite3_errmsg(db));
    }
};

void Exec(sqlite3* db, const char* sql) {
    char* err = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string why = err ? err : sqlite3_errstr(rc);
        sqlite3_free(err);
        Fail(rc, why);
    }
}

// A transaction that rolls back unless it was committed (a throw on the way
// leaves nothing half done).
class Transaction {
public:
    Transaction(sqlite3* db, const char* begin = "BEGIN IMMEDIATE") : db_(db) { Exec(db_, begin); }
    ~Transaction() {
        if (!committed_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit() {
        Exec(db_, "COMMIT");
        committed_ = true;
    }

private:
    sqlite3* db_;
    bool committed_ = false;
};

// The schema, step by step; the file's user_version says how many steps it has.
const char* const kSchemaSteps[] = {
    "CREATE TABLE IF NOT EXISTS entries ("
    " id INTEGER PRIMARY KEY,"
    " name BLOB NOT NULL,"
    " score INTEGER NOT NULL,"
    " received TEXT NOT NULL,"
    " client TEXT NOT NULL,"
    " UNIQUE (name, score));"
    "CREATE TABLE IF NOT EXISTS counters (key TEXT PRIMARY KEY, value INTEGER NOT NULL);"
    "INSERT OR IGNORE INTO counters (key, value) VALUES ('uploads', 0);",
    // Entries proved by a replay of their run, with that replay.
    "CREATE TABLE IF NOT EXISTS verified_runs ("
    " entry_id INTEGER PRIMARY KEY REFERENCES entries (id),"
    " replay BLOB NOT NULL,"
    " verified TEXT NOT NULL);",
    // The page's order, so that the best entries are read without sorting the table.
    "CREATE INDEX IF NOT EXISTS entries_rank ON entries (score DESC, id);",
    // The fingerprint of each proved run: a run proves one entry.
    "ALTER TABLE verified_runs ADD COLUMN run TEXT;"
    "CREATE UNIQUE INDEX IF NOT EXISTS verified_runs_run ON verified_runs (run);",
};
constexpr int kSchemaVersion = int(std::size(kSchemaSteps));

std::string Text(sqlite3_stmt* s, int column) {
    const unsigned char* t = sqlite3_column_text(s, column);
    return t ? reinterpret_cast<const char*>(t) : "";
}

}  // namespace

void SqliteStore::Closer::operator()(sqlite3* db) const { sqlite3_close(db); }

SqliteStore::SqliteStore(const std::string& path) : BatchingStore(1), path_(path) {
    auto open = [&](int flags) {
        sqlite3* opened = nullptr;
        int rc = sqlite3_open_v2(path.c_str(), &opened, flags, nullptr);
        Connection db(opened);  // closed on every way out, a failed open's handle too
        if (rc != SQLITE_OK)
            throw std::runtime_error("cannot open the database " + path + ": " +
                                     (opened ? sqlite3_errmsg(opened) : "out of memory"));
        sqlite3_busy_timeout(db.get(), 5000);
        return db;
    };
    db_ = open(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    Exec(db_.get(), "PRAGMA journal_mode=WAL");
    Exec(db_.get(), "PRAGMA synchronous=FULL");
    Migrate();
    reader_ = open(SQLITE_OPEN_READWRITE);
}

SqliteStore::~SqliteStore() {
    reader_.reset();
    db_.reset();
}

// Brings the schema up to date in one transaction; a second process opening
// the file at the same moment waits for it and then finds nothing to do.
void SqliteStore::Migrate() {
    sqlite3* db = db_.get();
    Transaction t(db);
    Statement q(db, "PRAGMA user_version");
    int version = sqlite3_step(q.s) == SQLITE_ROW ? sqlite3_column_int(q.s, 0) : 0;
    if (version > kSchemaVersion)
        throw std::runtime_error("the database " + path_ + " has schema version " + std::to_string(version) +
                                 ", newer than this server's " + std::to_string(kSchemaVersion));
    for (int step = version; step < kSchemaVersion; ++step) Exec(db, kSchemaSteps[step]);
    Exec(db, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
    t.Commit();
}

void SqliteStore::WriteBatch(const std::vector<GroupCommit::Pending*>& batch) {
    std::lock_guard<std::mutex> lock(mutex_);
    sqlite3* db = db_.get();
    Transaction t(db);
    Statement ins(db,
                  "INSERT OR IGNORE INTO entries (name, score, received, client)"
                  " VALUES (?, ?, strftime('%Y-%m-%d %H:%M:%S', 'now'), ?)");
    int counted = 0;
    for (GroupCommit::Pending* p : batch) {
        const Upload& u = p->upload;
        sqlite3_reset(ins.s);
        sqlite3_bind_blob(ins.s, 1, u.name.data(), int(u.name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(ins.s, 2, u.score);
        sqlite3_bind_text(ins.s, 3, u.client.c_str(), -1, SQLITE_TRANSIENT);
        ins.Done(db);
        p->added = sqlite3_changes(db) > 0;
        counted += u.countUpload;
    }
    if (counted) {
        Statement count(db, "UPDATE counters SET value = value + ? WHERE key = 'uploads'");
        sqlite3_bind_int(count.s, 1, counted);
        count.Done(db);
    }
    t.Commit();
}

ScorePage SqliteStore::Page(int limit, bool verifiedOnly) {
    std::lock_guard<std::mutex> lock(readerMutex_);
    sqlite3* db = reader_.get();
    // One read transaction: the entries and the count of one moment.
    Transaction t(db, "BEGIN");
    ScorePage page;
    Statement q(db,
                "SELECT id, name, score, received, client, v.entry_id IS NOT NULL FROM entries"
                " LEFT JOIN verified_runs AS v ON v.entry_id = id WHERE NOT ?1 OR v.entry_id IS NOT NULL"
                " ORDER BY score DESC, id ASC LIMIT ?2");
    sqlite3_bind_int(q.s, 1, verifiedOnly);
    sqlite3_bind_int(q.s, 2, limit);
    int rc;
    while ((rc = sqlite3_step(q.s)) == SQLITE_ROW) {
        Entry e;
        e.id = sqlite3_column_int64(q.s, 0);
        const void* blob = sqlite3_column_blob(q.s, 1);
        e.name.assign(static_cast<const char*>(blob ? blob : ""), size_t(sqlite3_column_bytes(q.s, 1)));
        e.score = sqlite3_column_int(q.s, 2);
        e.received = Text(q.s, 3);
        e.client = Text(q.s, 4);
        e.verified = sqlite3_column_int(q.s, 5) != 0;
        page.best.push_back(std::move(e));
    }
    if (rc != SQLITE_DONE) Fail(rc, sqlite3_errmsg(db));
    Statement c(db, "SELECT value FROM counters WHERE key = 'uploads'");
    if (sqlite3_step(c.s) == SQLITE_ROW) page.uploads = sqlite3_column_int64(c.s, 0);
    t.Commit();
    return page;
}

Proof SqliteStore::MarkVerified(const std::string& name, int32_t score, const std::string& replay,
                                const std::string& run) {
    std::lock_guard<std::mutex> lock(mutex_);
    Transaction t(db_.get());
    Proof proof = MarkVerifiedLocked(name, score, replay, run);
    t.Commit();
    return proof;
}

Proof SqliteStore::MarkVerifiedLocked(const std::string& name, int32_t score, const std::string& replay,
                                      const std::string& run) {
    Proof proof;
    Statement find(db_.get(), "SELECT id FROM entries WHERE name = ? AND score = ?");
    sqlite3_bind_blob(find.s, 1, name.data(), int(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(find.s, 2, score);
    if (sqlite3_step(find.s) != SQLITE_ROW) return proof;
    proof.id = sqlite3_column_int64(find.s, 0);
    Statement owner(db_.get(), "SELECT v.entry_id, e.name FROM verified_runs AS v JOIN entries AS e ON e.id = v.entry_id"
                         " WHERE v.run = ?");
    sqlite3_bind_text(owner.s, 1, run.data(), int(run.size()), SQLITE_TRANSIENT);
    if (!run.empty() && sqlite3_step(owner.s) == SQLITE_ROW) {
        if (sqlite3_column_int64(owner.s, 0) == proof.id) {
            proof.outcome = Proof::kAlreadyVerified;
        } else {
            proof.outcome = Proof::kRunVerifiedElsewhere;
            const void* blob = sqlite3_column_blob(owner.s, 1);
            proof.otherName.assign(static_cast<const char*>(blob ? blob : ""), size_t(sqlite3_column_bytes(owner.s, 1)));
        }
        return proof;
    }
    Statement ins(db_.get(),
                  "INSERT OR IGNORE INTO verified_runs (entry_id, replay, verified, run)"
                  " VALUES (?, ?, strftime('%Y-%m-%d %H:%M:%S', 'now'), ?)");
    sqlite3_bind_int64(ins.s, 1, proof.id);
    sqlite3_bind_blob(ins.s, 2, replay.data(), int(replay.size()), SQLITE_TRANSIENT);
    if (run.empty()) sqlite3_bind_null(ins.s, 3);
    else sqlite3_bind_text(ins.s, 3, run.data(), int(run.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(ins.s) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_.get()));
    proof.outcome = sqlite3_changes(db_.get()) > 0 ? Proof::kMarked : Proof::kAlreadyVerified;
    return proof;
}

std::optional<std::string> SqliteStore::VerifiedReplay(int64_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement q(db_.get(), "SELECT replay FROM verified_runs WHERE entry_id = ?");
    sqlite3_bind_int64(q.s, 1, id);
    if (sqlite3_step(q.s) != SQLITE_ROW) return std::nullopt;
    const void* blob = sqlite3_column_blob(q.s, 0);
    return std::string(static_cast<const char*>(blob ? blob : ""), size_t(sqlite3_column_bytes(q.s, 0)));
}

int64_t SqliteStore::EntryCount() {
    std::lock_guard<std::mutex> lock(readerMutex_);
    Statement q(reader_.get(), "SELECT COUNT(*) FROM entries");
    return sqlite3_step(q.s) == SQLITE_ROW ? sqlite3_column_int64(q.s, 0) : 0;
}

}  // namespace scores
