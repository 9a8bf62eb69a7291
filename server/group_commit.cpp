#include "group_commit.h"

namespace scores {

bool GroupCommit::Submit(const Upload& upload, const Writer& write) {
    Pending mine{upload, false, nullptr, false, false};
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.push_back(&mine);
    while (!mine.done) {
        if (mine.taken || writing_ == lanes_) {
            committed_.wait(lock);
            continue;
        }
        // A lane is free: this caller writes everything queued so far.
        ++writing_;
        std::vector<Pending*> batch;
        batch.swap(queue_);
        for (Pending* p : batch) p->taken = true;
        lock.unlock();
        Commit(batch, write);
        lock.lock();
        for (Pending* p : batch) p->done = true;
        --writing_;
        committed_.notify_all();
    }
    if (mine.error) std::rethrow_exception(mine.error);
    return mine.added;
}

void GroupCommit::Commit(const std::vector<Pending*>& batch, const Writer& write) {
    auto fail = [](const std::vector<Pending*>& which, std::exception_ptr e) {
        for (Pending* p : which) {
            p->added = false;
            p->error = e;
        }
    };
    try {
        write(batch);
        return;
    } catch (const StoreUnavailable&) {
        fail(batch, std::current_exception());
        return;
    } catch (...) {
        // Whatever failed is handed to the uploads that wait for this batch
        // (a commit thread must not end on it); a batch of several is tried
        // one upload at a time, so one bad upload fails alone.
        if (batch.size() == 1) {
            fail(batch, std::current_exception());
            return;
        }
    }
    for (Pending* p : batch) {
        try {
            write({p});
        } catch (...) {  // handed to this upload's waiting thread, as above
            fail({p}, std::current_exception());
        }
    }
}

}  // namespace scores
