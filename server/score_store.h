// The score server's storage: one interface, two databases. SQLite (a file,
// the default) serves one server process; PostgreSQL serves any number of
// server processes sharing one database. Either way every accepted upload is
// committed before it is acknowledged, the database itself keeps each
// (name, score) once, and the upload count is exact.
//
// Growing the store: a later kind of data about an entry lives in the same
// database, in tables keyed by the entry's id, added as a new step at the end
// of both stores' schema steps; it travels in Upload and Entry. The steps run
// on start, in one transaction. The first such table holds the verified runs:
// an entry whose recorded run the server replayed to the same name and score
// keeps that replay.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace scores {

// One upload to store.
struct Upload {
    std::string name;  // the bytes as received
    int32_t score = 0;
    std::string client;        // the sender's address
    bool countUpload = false;  // the table's last request: counts one upload
};

// One stored entry.
struct Entry {
    int64_t id = 0;    // the entry's key in the store
    std::string name;  // the bytes as received
    int32_t score = 0;
    std::string received;  // UTC, "YYYY-MM-DD HH:MM:SS"
    std::string client;
    bool verified = false;  // a replay of the run proved it
};

// What the score page shows, read at one moment.
struct ScorePage {
    std::vector<Entry> best;  // highest score first, earlier first on equal scores
    int64_t uploads = 0;
};

// What storing a proved run did.
struct Proof {
    enum Outcome { kMarked, kAlreadyVerified, kNoSuchEntry, kRunVerifiedElsewhere } outcome = kNoSuchEntry;
    int64_t id = 0;         // the entry's id (kMarked, kAlreadyVerified)
    std::string otherName;  // kRunVerifiedElsewhere: the name of the entry the run proved first
};

// The database cannot be reached now (its connection is lost and being
// retried); nothing of the request was stored, or it is stored already and a
// repeat finds it. Other failures are std::runtime_error.
class StoreUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The database's disk is full: nothing of the request was stored, and the
// store takes requests again once there is room.
class StoreFull : public StoreUnavailable {
public:
    using StoreUnavailable::StoreUnavailable;
};

class ScoreStore {
public:
    virtual ~ScoreStore() = default;
    ScoreStore() = default;
    ScoreStore(const ScoreStore&) = delete;
    ScoreStore& operator=(const ScoreStore&) = delete;

    // Stores the entry unless the same name and score are there already, and
    // counts one upload when asked; returns once that is committed. True when
    // the entry was new.
    virtual bool Add(const Upload& upload) = 0;
    // The best `limit` entries (only verified ones when asked) and the upload count.
    virtual ScorePage Page(int limit, bool verifiedOnly) = 0;
    // Marks the entry of this name and score verified and keeps its replay and
    // the run's fingerprint, committed before it returns; an entry verified
    // already keeps its first replay, and a run proves one entry only (the
    // first it proved).
    virtual Proof MarkVerified(const std::string& name, int32_t score, const std::string& replay,
                               const std::string& run) = 0;
    // The replay that proved the entry, if it was proved.
    virtual std::optional<std::string> VerifiedReplay(int64_t id) = 0;
    virtual int64_t EntryCount() = 0;
    // Transactions committed by Add since opening (for the load figures).
    virtual int64_t Commits() const = 0;
    // Which database this is, for the start-up line (never a password).
    virtual std::string Describe() const = 0;

    bool Add(const std::string& name, int32_t score, const std::string& client, bool countUpload) {
        return Add(Upload{name, score, client, countUpload});
    }
    ScorePage Page(int limit) { return Page(limit, false); }
    std::vector<Entry> Best(int limit) { return Page(limit).best; }
    int64_t UploadCount() { return Page(0).uploads; }
};

// Opens the store that `url` names: "sqlite:PATH" (a file, created on first
// use) or a PostgreSQL connection string ("postgresql://..." or
// "postgres://..."); creates or upgrades its schema. Throws std::runtime_error
// with the reason when it cannot.
std::unique_ptr<ScoreStore> OpenStore(const std::string& url);

}  // namespace scores
