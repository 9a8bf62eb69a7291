// The score server's HTTP service: the upload endpoint and the score page.
#pragma once
#include <chrono>
#include <exception>
#include <memory>
#include <mutex>
#include <string>

#include "fair_http_server.h"
#include "replay_verifier.h"
#include "verification_queue.h"
#include "score_protocol.h"
#include "score_store.h"

namespace scores {

// Text for an HTML page: markup characters escaped, a control character or a
// byte that is not UTF-8 shown as a replacement character.
std::string HtmlEscape(const std::string& text);
// The score page for the best entries (only the verified ones when asked).
std::string RenderScorePage(ScoreStore& store, bool verifiedOnly = false);

class ScoreService {
public:
    // Without a verifier, replays sent to the server are answered 503.
    explicit ScoreService(ScoreStore& store, const ConnectionLimits& limits = {}, ReplayVerifier* verifier = nullptr,
                          const QueueLimits& queueLimits = {});
    ~ScoreService();
    // Binds the address and port; false when they cannot be bound.
    bool Bind(const std::string& address, int port);
    // Binds to a free port on the address and returns it (for tests); -1 on failure.
    int BindAnyPort(const std::string& address);
    void ServeBound();  // after Bind or BindAnyPort, until Stop
    void Stop();

private:
    void Routes();
    void TakeReplay(const httplib::Request& req, httplib::Response& res);
    void TellOutcome(const std::string& ticket, httplib::Response& res);
    // What a verified (or refused) replay comes to, stored.
    Outcome Judge(const std::string& client, const std::string& replay, const Verdict& v);
    void GiveReplay(const httplib::Request& req, httplib::Response& res);
    // One line in the server's log, control characters shown as "?".
    void Log(const std::string& line);
    // Answers 503 with Retry-After when the database is away or its disk is
    // full for now, 500 otherwise.
    void StorageFailed(const std::exception& e, httplib::Response& res);
    ScoreStore& store_;
    std::unique_ptr<VerificationQueue> queue_;
    std::mutex logMutex_;
    std::chrono::steady_clock::time_point lastOutageLog_{};
    std::unique_ptr<FairHttpServer> http_;
};

}  // namespace scores
