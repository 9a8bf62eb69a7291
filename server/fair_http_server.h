// An HTTP server (cpp-httplib) that shares its workers fairly between clients.
// Every open connection holds one worker until it closes, so one client with
// many keep-alive connections could hold them all: here a client (one remote
// address) may hold only so many connections at once, further ones are
// answered 503 and closed at once, and a connection idle between requests is
// closed after a short time.
//
// Whatever arrives is bounded before httplib sees it: a request's line and
// headers in bytes and in time from its first byte, its body (however it is
// sent: with a length, chunked, or until the end of the stream) in bytes and
// the whole request in time. A request cut off by a bound is answered (413,
// 431 or 408) and its connection is closed, so nothing of the rest is taken
// as a further request.
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
    // A request's line and headers must arrive within this time of its first
    // byte. A trickling client holds a worker this long at most, so clients
    // waiting behind a full set of them (a handful of addresses at `perClient`
    // each fills every worker) are served within about this time: shorter
    // than the 3 s a person or the game waits without giving up. The game
    // and browsers send their few hundred bytes of headers at once.
    std::chrono::milliseconds headers{2000};
    // The whole request, body included, within this time of its first byte
    // (a 1 MiB replay at 35 KB/s).
    std::chrono::milliseconds request{30000};
    size_t headerBytes = 32 * 1024;  // the request line and headers together
};

class FairHttpServer : public httplib::Server {
public:
    explicit FairHttpServer(const ConnectionLimits& limits);
    // Binds as bind_to_port and bind_to_any_port do, with a long queue of
    // connections waiting to be accepted (a burst of clients is not dropped).
    bool Bind(const std::string& address, int port);
    int BindAnyPort(const std::string& address);
    // Takes the place of set_error_handler: the handler sees an answer that a
    // bound cut short with its status (413, 431, 408) and text already set.
    void SetErrorHandler(HandlerWithResponse handler) { errorHandler_ = std::move(handler); }

private:
    using httplib::Server::set_error_handler;  // SetErrorHandler keeps the bounds' answers
    bool process_and_close_socket(socket_t sock) override;
    HandlerResponse OnError(const httplib::Request& req, httplib::Response& res);
    // Counts a connection of `client`; false when it already holds its share.
    bool Admit(const std::string& client);
    void WidenBacklog();
    void Release(const std::string& client);
    ConnectionLimits limits_;
    HandlerWithResponse errorHandler_;
    std::mutex mutex_;
    std::unordered_map<std::string, size_t> open_;
};

}  // namespace scores
