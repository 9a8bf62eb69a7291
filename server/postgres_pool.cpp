#include "postgres_pool.h"

#include <algorithm>

namespace scores {

PgPool::PgPool(std::string conninfo, const PoolOptions& options)
    : conninfo_(std::move(conninfo)), options_(options) {
    if (options_.connections < 1) options_.connections = 1;
}

PgPool::Lease PgPool::Acquire() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(mutex_);
    auto giveUp = Clock::now() + options_.busyWait;
    for (;;) {
        while (!idle_.empty()) {
            std::unique_ptr<PgConnection> c = std::move(idle_.back());
            idle_.pop_back();
            if (c->StillOpen()) return Lease(*this, std::move(c));
            --open_;  // closed by the server (a restart, an idle timeout): drop it
        }
        if (open_ < options_.connections) {
            if (Clock::now() < nextAttempt_)
                throw StoreUnavailable(lastError_ + " (trying again in a moment)");
            ++open_;
            lock.unlock();
            try {
                auto c = std::make_unique<PgConnection>(conninfo_);
                lock.lock();
                backoff_ = std::chrono::milliseconds(0);
                return Lease(*this, std::move(c));
            } catch (const std::exception& e) {
                lock.lock();
                --open_;
                backoff_ = backoff_.count() ? std::min(backoff_ * 2, options_.lastRetry) : options_.firstRetry;
                nextAttempt_ = Clock::now() + backoff_;
                lastError_ = e.what();
                returned_.notify_all();
                throw StoreUnavailable(lastError_);
            }
        }
        if (returned_.wait_until(lock, giveUp) == std::cv_status::timeout)
            throw StoreUnavailable("every PostgreSQL connection of this server is busy");
    }
}

void PgPool::Return(std::unique_ptr<PgConnection> c) {
    if (!c) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (c->Broken()) --open_;
    else idle_.push_back(std::move(c));
    returned_.notify_one();
}

}  // namespace scores

