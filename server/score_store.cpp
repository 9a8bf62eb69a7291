#include "score_store.h"

#include <sqlite3.h>

#include <stdexcept>

namespace scores {

namespace {
struct Statement {
    sqlite3_stmt* s = nullptr;
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("SQL error: ") + sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(s); }
};
}  // namespace

ScoreStore::ScoreStore(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
        std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw std::runtime_error("cannot open the database " + path + ": " + why);
    }
    sqlite3_busy_timeout(db_, 5000);
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=FULL");
    Exec("CREATE TABLE IF NOT EXISTS entries ("
         " id INTEGER PRIMARY KEY,"
         " name BLOB NOT NULL,"
         " score INTEGER NOT NULL,"
         " received TEXT NOT NULL,"
         " client TEXT NOT NULL,"
         " UNIQUE (name, score))");
    Exec("CREATE TABLE IF NOT EXISTS counters (key TEXT PRIMARY KEY, value INTEGER NOT NULL)");
    Exec("INSERT OR IGNORE INTO counters (key, value) VALUES ('uploads', 0)");
}

ScoreStore::~ScoreStore() { sqlite3_close(db_); }

void ScoreStore::Exec(const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string why = err ? err : "unknown";
        sqlite3_free(err);
        throw std::runtime_error("SQL error: " + why);
    }
}

bool ScoreStore::Add(const std::string& name, int32_t score, const std::string& client, bool countUpload) {
    Pending mine{name, score, client, countUpload, false, false, nullptr};
    std::unique_lock<std::mutex> lock(queueMutex_);
    queue_.push_back(&mine);
    while (!mine.done) {
        if (writing_) {
            committed_.wait(lock);
            continue;
        }
        // No commit is running: this caller writes everything queued so far.
        writing_ = true;
        std::vector<Pending*> batch;
        batch.swap(queue_);
        lock.unlock();
        CommitBatch(batch);
        lock.lock();
        for (Pending* p : batch) p->done = true;
        writing_ = false;
        committed_.notify_all();
    }
    if (mine.error) std::rethrow_exception(mine.error);
    return mine.added;
}

void ScoreStore::InsertOne(Pending& p) {
    Statement ins(db_,
                  "INSERT OR IGNORE INTO entries (name, score, received, client)"
                  " VALUES (?, ?, strftime('%Y-%m-%d %H:%M:%S', 'now'), ?)");
    sqlite3_bind_blob(ins.s, 1, p.name.data(), int(p.name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(ins.s, 2, p.score);
    sqlite3_bind_text(ins.s, 3, p.client.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(ins.s) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
    p.added = sqlite3_changes(db_) > 0;
    if (p.countUpload) Exec("UPDATE counters SET value = value + 1 WHERE key = 'uploads'");
}

void ScoreStore::CommitTogether(const std::vector<Pending*>& batch) {
    Exec("BEGIN IMMEDIATE");
    try {
        for (Pending* p : batch) InsertOne(*p);
        Exec("COMMIT");
        ++commits_;
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        for (Pending* p : batch) p->added = false;
        throw;
    }
}

void ScoreStore::CommitBatch(const std::vector<Pending*>& batch) {
    std::lock_guard<std::mutex> lock(mutex_);
    try {
        CommitTogether(batch);
        return;
    } catch (...) {
        if (batch.size() == 1) {
            batch[0]->error = std::current_exception();
            return;
        }
    }
    for (Pending* p : batch) {
        try {
            CommitTogether({p});
        } catch (...) {
            p->error = std::current_exception();
        }
    }
}

std::vector<Entry> ScoreStore::Best(int limit) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement q(db_, "SELECT name, score, received, client FROM entries ORDER BY score DESC, id ASC LIMIT ?");
    sqlite3_bind_int(q.s, 1, limit);
    std::vector<Entry> out;
    while (sqlite3_step(q.s) == SQLITE_ROW) {
        Entry e;
        const void* blob = sqlite3_column_blob(q.s, 0);
        e.name.assign(static_cast<const char*>(blob ? blob : ""), size_t(sqlite3_column_bytes(q.s, 0)));
        e.score = sqlite3_column_int(q.s, 1);
        e.received = reinterpret_cast<const char*>(sqlite3_column_text(q.s, 2));
        e.client = reinterpret_cast<const char*>(sqlite3_column_text(q.s, 3));
        out.push_back(std::move(e));
    }
    return out;
}

int64_t ScoreStore::EntryCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement q(db_, "SELECT COUNT(*) FROM entries");
    return sqlite3_step(q.s) == SQLITE_ROW ? sqlite3_column_int64(q.s, 0) : 0;
}

int64_t ScoreStore::UploadCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement q(db_, "SELECT value FROM counters WHERE key = 'uploads'");
    return sqlite3_step(q.s) == SQLITE_ROW ? sqlite3_column_int64(q.s, 0) : 0;
}

}  // namespace scores
