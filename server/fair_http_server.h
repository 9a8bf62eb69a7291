// An HTTP server (cpp-httplib) that shares its workers fairly between clients.
// Every open connection holds one worker until it closes, so one client with
// many keep-alive connections could hold them all: here a client (one remote
// address) may hold only so many connections at once, further ones are
// answered 503 and closed at once, and a connection idle between requests is
// closed after a short time.
#pragma once
#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace scores {

struct ConnectionLimits {
    size_t workers = 32;                     // connections served at once
    size_t perClient = 8;                    // connections of one address at once; 0 for no limit
    std::chrono::milliseconds idle{2000};    // a keep-alive connection idle this long is closed
};

class FairHttpServer : public httplib::Server {
public:
    explicit FairHttpServer(const ConnectionLimits& limits);
    // Binds as bind_to_port and bind_to_any_port do, with a long queue of
    // connections waiting to be accepted (a burst of clients is not dropped).
    bool Bind(const std::string& address, int port);
    int BindAnyPort(const std::string& address);

private:
    bool process_and_close_socket(socket_t sock) override;
    // Counts a connection of `client`; false when it already holds its share.
    bool Admit(const std::string& client);
    void WidenBacklog();
    void Release(const std::string& client);
    ConnectionLimits limits_;
    std::mutex mutex_;
    std::unordered_map<std::string, size_t> open_;
};

}  // namespace scores
