// A tiny HTTP server on 127.0.0.1 for tests: records every request target
// ("/path?query") and answers 200 with a short body (or, request by request,
// the statuses given, in turn; 0 closes the connection without an answer).
#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vr::testing {

class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(std::vector<int> statuses = {200});  // listens on an ephemeral port
    ~LoopbackHttpServer();
    int Port() const { return port_; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> Requests();
    // Waits until `count` requests arrived or `timeoutMs` passed.
    bool WaitForRequests(size_t count, int timeoutMs);

private:
    void Serve();
    std::vector<int> statuses_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A port on 127.0.0.1 that nothing listens on.
int ClosedLoopbackPort();

}  // namespace vr::testing
