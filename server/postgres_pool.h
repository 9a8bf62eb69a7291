// A few PostgreSQL connections shared by the server's threads. A connection
// found closed is dropped and a new one opened; when none can be opened the
// next attempt waits a back-off that doubles up to a bound, and requests in
// the meantime fail at once with StoreUnavailable.
#pragma once
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "postgres_connection.h"

namespace scores {

struct PoolOptions {
    size_t connections = 8;
    std::chrono::milliseconds firstRetry{100};
    std::chrono::milliseconds lastRetry{2000};  // the back-off's bound
    std::chrono::milliseconds busyWait{10000};  // how long a request waits for a free connection
};

class PgPool {
public:
    PgPool(std::string conninfo, const PoolOptions& options);

    // A connection lent until it goes out of scope; one that broke is dropped.
    class Lease {
    public:
        Lease(PgPool& pool, std::unique_ptr<PgConnection> c) : pool_(pool), c_(std::move(c)) {}
        Lease(Lease&&) = default;
        ~Lease() { pool_.Return(std::move(c_)); }
        PgConnection* operator->() const { return c_.get(); }
        PgConnection& operator*() const { return *c_; }

    private:
        PgPool& pool_;
        std::unique_ptr<PgConnection> c_;
    };
    // Throws StoreUnavailable when no connection can be had now.
    Lease Acquire();

private:
    void Return(std::unique_ptr<PgConnection> c);
    std::string conninfo_;
    PoolOptions options_;
    std::mutex mutex_;
    std::condition_variable returned_;
    std::vector<std::unique_ptr<PgConnection>> idle_;
    size_t open_ = 0;  // idle, lent, or being opened
    std::chrono::milliseconds backoff_{0};
    std::chrono::steady_clock::time_point nextAttempt_{};
    std::string lastError_;
};

}  // namespace scores
