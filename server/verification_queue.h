// Posted replays wait here for a verifier. Each client address has a line of
// its own and the lines take turns (one replay of each address that has any
// waiting), an address has at most one replay being verified at a time, and
// verifications run on the queue's own threads: an HTTP worker only queues a
// replay and answers with a ticket, whose outcome the client can ask for.
// Costly replays so delay only their sender.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "replay_verifier.h"
#include "verifier_report.h"

namespace scores {

struct QueueLimits {
    size_t perClient = 16;  // replays of one address waiting at once (a table has ten)
    size_t total = 64;      // replays waiting at once (each up to 1 MiB, held in memory)
    std::chrono::seconds wait{score_protocol::kReplayQueueSeconds};  // the longest a replay waits for its turn
    size_t keptOutcomes = 4096;  // finished tickets remembered (the oldest are forgotten)
};

// What a ticket says: an HTTP status and its text.
struct Outcome {
    int status = 202;
    std::string text;
};

class VerificationQueue {
public:
    // Decides the outcome of a verified (or refused) replay: stores a proof.
    using Judge = std::function<Outcome(const std::string& client, const std::string& replay, const Verdict&)>;
    VerificationQueue(ReplayVerifier& verifier, Judge judge, const QueueLimits& limits = {});
    // Stops the threads once their verifications end; waiting replays are dropped.
    ~VerificationQueue();
    VerificationQueue(const VerificationQueue&) = delete;
    VerificationQueue& operator=(const VerificationQueue&) = delete;

    enum class Admission { kQueued, kClientFull, kQueueFull };
    // Queues a replay of `client`; its ticket when queued.
    Admission Submit(const std::string& client, std::string replay, std::string& ticket);
    // A ticket's outcome (status 202 while it waits or runs); none for an unknown ticket.
    std::optional<Outcome> Look(const std::string& ticket);
    // Replays waiting and running, for tests and the log.
    size_t Pending();

private:
    struct Job {
        std::string ticket, client, replay;
        std::chrono::steady_clock::time_point queued;
    };
    void Work();
    // The next job whose client has none running; false when there is none.
    bool Take(Job& job);
    void Finish(const Job& job, const Outcome& outcome);
    ReplayVerifier& verifier_;
    Judge judge_;
    QueueLimits limits_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    std::map<std::string, std::deque<Job>> lines_;  // by client
    std::deque<std::string> turns_;                 // clients with waiting jobs and none running, in turn
    std::set<std::string> running_;                 // clients with a job being verified
    size_t waiting_ = 0;
    std::unordered_map<std::string, Outcome> outcomes_;
    std::deque<std::string> finished_;  // tickets in the order they finished
    std::vector<std::thread> threads_;
};

}  // namespace scores
