#include "fair_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace scores {

namespace {

constexpr int kStopCheckMs = 100;  // how often an idle connection looks whether the server stops

int Millis(time_t sec, time_t usec) { return int(sec * 1000 + usec / 1000); }

// The numeric address of the peer, without its port.
std::string PeerAddress(int fd, int* port = nullptr) {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    char text[INET6_ADDRSTRLEN] = "";
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return "";
    if (a.ss_family == AF_INET) {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&a);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        if (port) *port = ntohs(v4->sin_port);
    } else if (a.ss_family == AF_INET6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&a);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        if (port) *port = ntohs(v6->sin6_port);
    }
    return text;
}

bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    return poll(&p, 1, timeoutMs) > 0 && (p.revents & (events | POLLHUP | POLLERR));
}

// One connection's byte stream, buffered so that the request parser's
// byte-by-byte reads cost no system call each. It lives as long as the
// connection, so bytes of a pipelined next request are kept.
class ConnectionStream : public httplib::Stream {
public:
    ConnectionStream(int fd, int readTimeoutMs, int writeTimeoutMs)
        : fd_(fd), readTimeoutMs_(readTimeoutMs), writeTimeoutMs_(writeTimeoutMs) {}

    bool is_readable() const override { return begin_ < end_ || WaitFor(fd_, POLLIN, readTimeoutMs_); }
    bool is_writable() const override { return WaitFor(fd_, POLLOUT, writeTimeoutMs_); }

    ssize_t read(char* ptr, size_t size) override {
        if (begin_ == end_) {
            if (!WaitFor(fd_, POLLIN, readTimeoutMs_)) return -1;
            ssize_t n = recv(fd_, buffer_, sizeof buffer_, 0);
            if (n <= 0) return n;
            begin_ = 0;
            end_ = size_t(n);
        }
        size_t n = std::min(size, end_ - begin_);
        std::memcpy(ptr, buffer_ + begin_, n);
        begin_ += n;
        return ssize_t(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        return send(fd_, ptr, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { ip = PeerAddress(fd_, &port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage a{};
        socklen_t len = sizeof a;
        char text[INET6_ADDRSTRLEN] = "";
        port = 0;
        if (getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0 && a.ss_family == AF_INET) {
            auto* v4 = reinterpret_cast<sockaddr_in*>(&a);
            inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
            port = ntohs(v4->sin_port);
        }
        ip = text;
    }
    socket_t socket() const override { return fd_; }

    // Waits for the next request's first byte, at most `idleMs`; false when
    // none came, the peer closed, or `stopping` turned true.
    template <class Stopping>
    bool WaitForRequest(int idleMs, Stopping stopping) {
        if (begin_ < end_) return true;
        for (int waited = 0; waited < idleMs && !stopping(); waited += kStopCheckMs) {
            pollfd p{fd_, POLLIN, 0};
            int r = poll(&p, 1, std::min(kStopCheckMs, idleMs - waited));
            if (r < 0) return false;
            if (r > 0) return true;  // data, or the end of the stream that the parser then meets
        }
        return false;
    }

private:
    int fd_;
    int readTimeoutMs_, writeTimeoutMs_;
    char buffer_[4096];
    size_t begin_ = 0, end_ = 0;
};

void RefuseAndClose(int fd, size_t perClient) {
    std::string body = "Too many connections from your address (at most " + std::to_string(perClient) +
                       " at once); try again in a moment.\n";
    std::string reply = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain; charset=utf-8\r\n"
                        "Retry-After: 1\r\nConnection: close\r\nContent-Length: " +
                        std::to_string(body.size()) + "\r\n\r\n" + body;
    ssize_t sent = send(fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    (void)sent;
    shutdown(fd, SHUT_WR);
    // Read what the client sent already, so closing does not reset the
    // connection before the answer reached it.
    char sink[4096];
    while (recv(fd, sink, sizeof sink, MSG_DONTWAIT) > 0) {
    }
    close(fd);
}

}  // namespace

FairHttpServer::FairHttpServer(const ConnectionLimits& limits) : limits_(limits) {
    if (limits_.workers < 1) limits_.workers = 1;
    size_t workers = limits_.workers;
    new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
}

void FairHttpServer::WidenBacklog() {
    if (svr_sock_ != INVALID_SOCKET) ::listen(svr_sock_, SOMAXCONN);
}

bool FairHttpServer::Bind(const std::string& address, int port) {
    bool ok = bind_to_port(address, port);
    if (ok) WidenBacklog();
    return ok;
}

int FairHttpServer::BindAnyPort(const std::string& address) {
    int port = bind_to_any_port(address);
    if (port > 0) WidenBacklog();
    return port;
}

bool FairHttpServer::Admit(const std::string& client) {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t& n = open_[client];
    if (limits_.perClient && n >= limits_.perClient) {
        if (n == 0) open_.erase(client);
        return false;
    }
    ++n;
    return true;
}

void FairHttpServer::Release(const std::string& client) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = open_.find(client);
    if (it != open_.end() && --it->second == 0) open_.erase(it);
}

bool FairHttpServer::process_and_close_socket(socket_t sock) {
    std::string client = PeerAddress(sock);
    if (!Admit(client)) {
        RefuseAndClose(sock, limits_.perClient);
        return false;
    }
    // Headers and body go out in separate writes; without this each answer
    // waits for the client's delayed acknowledgement (about 40 ms).
    int yes = 1;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    bool ok = false;
    {
        ConnectionStream stream(sock, Millis(read_timeout_sec_, read_timeout_usec_),
                                Millis(write_timeout_sec_, write_timeout_usec_));
        auto stopping = [this] { return svr_sock_ == INVALID_SOCKET; };
        for (size_t left = keep_alive_max_count_; left > 0 && !stopping(); --left) {
            if (!stream.WaitForRequest(int(limits_.idle.count()), stopping)) break;
            bool closed = false;
            ok = process_request(stream, left == 1, closed, nullptr);
            if (!ok || closed) break;
        }
    }
    shutdown(sock, SHUT_RDWR);
    close(sock);
    Release(client);
    return ok;
}

}  // namespace scores
