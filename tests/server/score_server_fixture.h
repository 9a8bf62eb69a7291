// A score server in this process on a free loopback port, for the tests.
#pragma once
#include <httplib.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "score_service.h"

namespace scores::testing {

// The service on a free loopback port over the store that `url` names, with a
// keep-alive client.
class Server {
public:
    explicit Server(const std::string& url, const ConnectionLimits& limits = {}, ReplayVerifier* verifier = nullptr,
                    const QueueLimits& queueLimits = {})
        : store(OpenStore(url)), service(*store, limits, verifier, queueLimits) {
        port = service.BindAnyPort("127.0.0.1");
        thread = std::thread([this] { service.ServeBound(); });
        client = std::make_unique<httplib::Client>("127.0.0.1", port);
        client->set_keep_alive(true);
    }
    ~Server() {
        client.reset();  // closes the keep-alive connection, so the worker need not time out
        service.Stop();
        thread.join();
    }
    httplib::Result Get(const std::string& target) { return client->Get(target.c_str()); }
    // The upload's status, -1 without an answer.
    int Upload(const std::string& query) {
        auto r = Get(std::string(score_protocol::kUploadPath) + "?" + query);
        return r ? r->status : -1;
    }
    // A replay sent to the server, and its outcome: a queued replay's ticket
    // is asked for until the verification ended (at most a minute).
    httplib::Result PostReplay(const std::string& bytes) {
        auto r = client->Post(score_protocol::kReplayPath, bytes, "application/octet-stream");
        if (!r || r->status != 202) return r;
        return Outcome(r->get_header_value("Location"));
    }
    httplib::Result Outcome(const std::string& ticketTarget) {
        for (int tries = 0; tries < 6000; ++tries) {
            auto r = Get(ticketTarget);
            if (!r || r->status != 202) return r;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return Get(ticketTarget);
    }
    std::unique_ptr<ScoreStore> store;
    ScoreService service;
    int port = 0;
    std::thread thread;
    std::unique_ptr<httplib::Client> client;
};

}  // namespace scores::testing
