#include "verification_queue.h"

#include <random>

namespace scores {

namespace {

std::string NewTicket() {
    static thread_local std::random_device device;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 4; ++i) {
        uint32_t v = device();
        for (int k = 0; k < 8; ++k, v >>= 4) out += kDigits[v & 15];
    }
    return out;
}

}  // namespace

VerificationQueue::VerificationQueue(ReplayVerifier& verifier, Judge judge, const QueueLimits& limits)
    : verifier_(verifier), judge_(std::move(judge)), limits_(limits) {
    for (int i = 0; i < verifier_.AtOnce(); ++i) threads_.emplace_back([this] { Work(); });
}

VerificationQueue::~VerificationQueue() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (auto& t : threads_) t.join();
}

VerificationQueue::Admission VerificationQueue::Submit(const std::string& client, std::string replay,
                                                        std::string& ticket) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::deque<Job>& line = lines_[client];
    if (line.size() >= limits_.perClient) return Admission::kClientFull;
    if (waiting_ >= limits_.total) {
        if (line.empty()) lines_.erase(client);
        return Admission::kQueueFull;
    }
    ticket = NewTicket();
    if (line.empty() && !running_.count(client)) turns_.push_back(client);
    line.push_back(Job{ticket, client, std::move(replay), std::chrono::steady_clock::now()});
    ++waiting_;
    outcomes_[ticket] = Outcome{202, "Waiting: the replay is queued for verification."};
    changed_.notify_one();
    return Admission::kQueued;
}

std::optional<Outcome> VerificationQueue::Look(const std::string& ticket) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = outcomes_.find(ticket);
    if (it == outcomes_.end()) return std::nullopt;
    return it->second;
}

size_t VerificationQueue::Pending() {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_ + running_.size();
}

bool VerificationQueue::Take(Job& job) {
    for (auto turn = turns_.begin(); turn != turns_.end(); ++turn) {
        if (running_.count(*turn)) continue;
        std::string client = *turn;
        turns_.erase(turn);
        std::deque<Job>& line = lines_[client];
        job = std::move(line.front());
        line.pop_front();
        if (line.empty()) lines_.erase(client);
        --waiting_;
        running_.insert(client);
        return true;
    }
    return false;
}

void VerificationQueue::Finish(const Job& job, const Outcome& outcome) {
    std::lock_guard<std::mutex> lock(mutex_);
    running_.erase(job.client);
    // The client's next replay waits behind every client that is waiting now.
    if (lines_.count(job.client)) turns_.push_back(job.client);
    outcomes_[job.ticket] = outcome;
    finished_.push_back(job.ticket);
    while (finished_.size() > limits_.keptOutcomes) {
        outcomes_.erase(finished_.front());
        finished_.pop_front();
    }
    changed_.notify_all();
}

void VerificationQueue::Work() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || Take(job); });
            if (stopping_ && job.ticket.empty()) return;
        }
        Outcome outcome;
        if (std::chrono::steady_clock::now() - job.queued > limits_.wait) {
            outcome = Outcome{503, "Service unavailable: the replay waited too long for a verifier; send it again later."};
        } else {
            Verdict verdict = verifier_.Verify(job.replay);
            outcome = judge_(job.client, job.replay, verdict);
        }
        Finish(job, outcome);
    }
}

}  // namespace scores
