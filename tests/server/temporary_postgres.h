// PostgreSQL servers for the score server's tests, run by temporary_postgres.sh
// from Debian's postgresql package in folders under /tmp.
#pragma once
#include <string>

namespace scores::testing {

// A server of its own, started here and removed with this object.
class TemporaryPostgres {
public:
    TemporaryPostgres();  // throws std::runtime_error when it cannot start
    ~TemporaryPostgres();
    TemporaryPostgres(const TemporaryPostgres&) = delete;
    TemporaryPostgres& operator=(const TemporaryPostgres&) = delete;
    // The connection URL of database `name` (created by CreateDatabase).
    std::string Url(const std::string& name = "postgres") const;
    std::string CreateDatabase(const std::string& name) const;  // returns its URL
    void Down();  // stops the server, keeping its data
    void Up();    // starts it again

private:
    TemporaryPostgres(const std::string& state, bool own);
    friend const TemporaryPostgres& SharedPostgres();
    void Script(const char* command) const;
    std::string state_, folder_;
    bool own_ = true;
};

// The server that the tests of this run share: the one the suite started
// (its state file in $VR_TEST_POSTGRES_STATE), else one of this process.
const TemporaryPostgres& SharedPostgres();
// A fresh, empty database on the shared server, named after the test; its URL.
std::string FreshPostgresDatabase();

}  // namespace scores::testing
