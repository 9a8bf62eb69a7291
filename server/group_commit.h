// Group commit: uploads that arrive while the commits allowed at once are
// running wait and go into the next transaction together, so one disk flush
// serves many of them.
#pragma once
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

#include "score_store.h"

namespace scores {

class GroupCommit {
public:
    struct Pending {
        const Upload& upload;
        bool added = false;
        std::exception_ptr error;
        bool taken = false;  // in a batch being written
        bool done = false;
    };
    // Commits a batch in one transaction and sets each one's `added`; throws
    // when the transaction failed (nothing of it is stored then).
    using Writer = std::function<void(const std::vector<Pending*>&)>;

    // Queues the upload and returns once a batch holding it is committed:
    // true when it was new. Rethrows its error. When a batch fails, each of
    // its uploads is tried alone so that only the faulty ones fail, unless
    // the store is unavailable, which fails them all.
    bool Submit(const Upload& upload, const Writer& write);
    // At most `lanes` batches are written at once (1 for a database with one writer).
    explicit GroupCommit(size_t lanes = 1) : lanes_(lanes < 1 ? 1 : lanes) {}

private:
    static void Commit(const std::vector<Pending*>& batch, const Writer& write);
    std::mutex mutex_;
    std::condition_variable committed_;
    std::vector<Pending*> queue_;
    size_t lanes_;
    size_t writing_ = 0;
};

// A store that commits its uploads in batches through a GroupCommit.
class BatchingStore : public ScoreStore {
public:
    bool Add(const Upload& upload) final {
        return group_.Submit(upload, [this](const std::vector<GroupCommit::Pending*>& batch) {
            WriteBatch(batch);
            ++commits_;
        });
    }
    int64_t Commits() const final { return commits_; }
    using ScoreStore::Add;

protected:
    explicit BatchingStore(size_t lanes) : group_(lanes) {}
    // Commits the batch in one transaction and sets each one's `added`;
    // throws when the transaction failed.
    virtual void WriteBatch(const std::vector<GroupCommit::Pending*>& batch) = 0;

private:
    GroupCommit group_;
    std::atomic<int64_t> commits_{0};
};

}  // namespace scores
