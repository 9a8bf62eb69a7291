// One libpq connection to PostgreSQL, with its results freed by their owners
// and its failures sorted: a lost or refused connection is StoreUnavailable,
// a full disk StoreFull, anything else std::runtime_error.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "score_store.h"

struct pg_conn;
struct pg_result;

namespace scores {

class PgResult {
public:
    explicit PgResult(pg_result* r = nullptr) : r_(r) {}
    int Rows() const;
    bool IsNull(int row, int column) const;
    std::string Text(int row, int column) const;
    std::string Bytes(int row, int column) const;  // a bytea value
    int64_t Number(int row, int column) const;

private:
    struct Clear {
        void operator()(pg_result* r) const;
    };
    std::unique_ptr<pg_result, Clear> r_;
};

class PgConnection {
public:
    // Connects; throws StoreUnavailable with libpq's reason when it cannot.
    explicit PgConnection(const std::string& conninfo);
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs one or more statements without parameters.
    void Exec(const std::string& sql);
    // The same, for clean-up on the way out of a failure: false instead of a throw.
    bool TryExec(const std::string& sql) noexcept;
    // Runs a statement with text parameters (prepared once per connection under `name`).
    PgResult Run(const char* name, const char* sql, const std::vector<std::string>& params);
    // False when the server has closed the connection since it was last used.
    bool StillOpen();
    bool Broken() const;
    int BackendPid() const;
    // "NAME on HOST:PORT as USER".
    std::string Describe() const;

private:
    PgResult Check(pg_result* r, const char* what);
    pg_conn* Conn() const { return c_.get(); }
    struct Finish {
        void operator()(pg_conn* c) const;
    };
    std::unique_ptr<pg_conn, Finish> c_;
    std::vector<std::string> prepared_;
};

}  // namespace scores
