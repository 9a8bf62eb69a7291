#include "postgres_connection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace scores {

namespace {

// libpq's message on one line.
std::string Trimmed(const char* message) {
    std::string s;
    for (const char* p = message ? message : ""; *p; ++p) {
        bool space = *p == '\n' || *p == '\t' || *p == ' ';
        if (!space) s += *p;
        else if (!s.empty() && s.back() != ' ') s += ' ';
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s.empty() ? "unknown error" : s;
}

void IgnoreNotice(void*, const char*) {}

// A full disk ("could not extend file", "No space left on device").
bool MeansFull(const char* state) { return state && std::strcmp(state, "53100") == 0; }

// Errors that mean the database is away for now, not that the request is bad:
// connection failures, shutdown or start-up, too many connections, a server
// that only reads (a standby during fail-over).
bool MeansUnavailable(const char* state) {
    if (!state) return false;
    return std::strncmp(state, "08", 2) == 0 || std::strncmp(state, "57P", 3) == 0 ||
           std::strcmp(state, "53300") == 0 || std::strcmp(state, "25006") == 0;
}

}  // namespace

void PgResult::Clear::operator()(pg_result* r) const { PQclear(r); }
int PgResult::Rows() const { return PQntuples(r_.get()); }
bool PgResult::IsNull(int row, int column) const { return PQgetisnull(r_.get(), row, column); }
std::string PgResult::Text(int row, int column) const { return PQgetvalue(r_.get(), row, column); }
int64_t PgResult::Number(int row, int column) const { return std::strtoll(PQgetvalue(r_.get(), row, column), nullptr, 10); }

std::string PgResult::Bytes(int row, int column) const {
    size_t n = 0;
    unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(PQgetvalue(r_.get(), row, column)), &n);
    if (!raw) throw std::runtime_error("out of memory reading a name");
    std::string out(reinterpret_cast<char*>(raw), n);
    PQfreemem(raw);
    return out;
}

PgConnection::PgConnection(const std::string& conninfo) {
    // Keywords before "dbname" are defaults that the connection string may override.
    const char* keys[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
    const char* values[] = {"5", "vortex-scores", conninfo.c_str(), nullptr};
    c_.reset(PQconnectdbParams(keys, values, 1));  // finished on every way out, a failed one too
    if (!c_ || PQstatus(Conn()) != CONNECTION_OK) {
        std::string why = c_ ? Trimmed(PQerrorMessage(Conn())) : "out of memory";
        throw StoreUnavailable("cannot connect to the PostgreSQL database: " + why);
    }
    // Notices (and a server's goodbye read on an idle connection) are not
    // printed; errors reach the caller.
    PQsetNoticeProcessor(Conn(), IgnoreNotice, nullptr);
    // Every acknowledged upload must be on disk: never run with commits that
    // return before they are flushed.
    PgResult sync = Check(PQexec(Conn(), "SHOW synchronous_commit"), "SHOW synchronous_commit");
    if (sync.Rows() == 1 && sync.Text(0, 0) == "off") Exec("SET synchronous_commit = on");
}

void PgConnection::Finish::operator()(pg_conn* c) const { PQfinish(c); }

bool PgConnection::Broken() const { return PQstatus(Conn()) != CONNECTION_OK; }
int PgConnection::BackendPid() const { return PQbackendPID(Conn()); }

std::string PgConnection::Describe() const {
    std::string host = PQhost(Conn()) ? PQhost(Conn()) : "";
    return std::string(PQdb(Conn())) + " on " + (host.empty() ? "localhost" : host) + ":" + PQport(Conn()) + " as " +
           PQuser(Conn());
}

bool PgConnection::StillOpen() {
    if (Broken()) return false;
    // Nothing is due on an idle connection: anything readable is most likely
    // the server's goodbye (a shutdown, a restart), so the connection is not
    // trusted with a statement.
    pollfd p{PQsocket(Conn()), POLLIN, 0};
    return poll(&p, 1, 0) == 0;
}

PgResult PgConnection::Check(pg_result* r, const char* what) {
    ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return PgResult(r);
    std::string why = r ? Trimmed(PQresultErrorMessage(r)) : Trimmed(PQerrorMessage(Conn()));
    if (why == "unknown error") why = Trimmed(PQerrorMessage(Conn()));
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    bool full = MeansFull(state), away = Broken() || MeansUnavailable(state);
    PQclear(r);
    if (full) throw StoreFull(std::string("the PostgreSQL database's disk is full (") + what + "): " + why);
    if (away) throw StoreUnavailable(std::string("the PostgreSQL database is unavailable (") + what + "): " + why);
    throw std::runtime_error(std::string("PostgreSQL error in ") + what + ": " + why);
}

void PgConnection::Exec(const std::string& sql) { Check(PQexec(Conn(), sql.c_str()), "a statement"); }

bool PgConnection::TryExec(const std::string& sql) noexcept {
    pg_result* r = PQexec(Conn(), sql.c_str());
    bool ok = r && PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    return ok;
}

PgResult PgConnection::Run(const char* name, const char* sql, const std::vector<std::string>& params) {
    if (std::find(prepared_.begin(), prepared_.end(), name) == prepared_.end()) {
        Check(PQprepare(Conn(), name, sql, int(params.size()), nullptr), name);
        prepared_.push_back(name);
    }
    std::vector<const char*> values;
    for (const auto& p : params) values.push_back(p.c_str());
    return Check(PQexecPrepared(Conn(), name, int(values.size()), values.data(), nullptr, nullptr, 0), name);
}

}  // namespace scores
