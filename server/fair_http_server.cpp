#include "fair_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace scores {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStopCheckMs = 100;  // how often an idle connection looks whether the server stops
// A chunked body carries its chunks' sizes and line ends; this much room is
// left for them above the body's own bound (enough for chunks of 128 bytes).
constexpr size_t kFramingAllowance = 64 * 1024;
// After refusing a body that was not read to its end, what the client still
// sends is read and dropped for at most this long and this much (see Linger).
constexpr int kLingerMs = 1000;
constexpr size_t kLingerBytes = size_t(8) << 20;

int Millis(time_t sec, time_t usec) { return int(sec * 1000 + usec / 1000); }

int MillisUntil(Clock::time_point t) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(t - Clock::now()).count();
    return int(std::clamp<decltype(left)>(left, 0, INT32_MAX));
}

// Which bound cut a request short.
enum class Cut { kNone, kHeadersTooLong, kBodyTooLarge, kLate };

struct RequestBounds {
    size_t headerBytes, bodyBytes;
    std::chrono::milliseconds headers, whole;
};

struct CutAnswer {
    int status;
    const char* reason;
    std::string text;
};

RequestBounds BoundsOf(const ConnectionLimits& limits, size_t payloadMax) {
    size_t body = payloadMax > SIZE_MAX - kFramingAllowance ? SIZE_MAX : payloadMax + kFramingAllowance;
    return {limits.headerBytes, body, limits.headers, limits.request};
}

CutAnswer Describe(Cut cut, const RequestBounds& b) {
    switch (cut) {
        case Cut::kHeadersTooLong:
            return {431, "Request Header Fields Too Large",
                    "Request header fields too large: at most " + std::to_string(b.headerBytes) + " bytes.\n"};
        case Cut::kBodyTooLarge:
            return {413, "Payload Too Large",
                    "Payload too large: at most " + std::to_string(b.bodyBytes - kFramingAllowance) + " bytes.\n"};
        default:
            return {408, "Request Timeout", "Request timeout: the request did not arrive in time.\n"};
    }
}

// A whole answer with its headers, for when httplib is not the one writing.
std::string RawAnswer(int status, const char* reason, const std::string& text, const std::string& extraHeaders = "") {
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: text/plain; charset=utf-8\r\n" + extraHeaders +
           "Connection: close\r\nContent-Length: " + std::to_string(text.size()) + "\r\n\r\n" + text;
}

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
// connection, so bytes of a pipelined next request are kept. It holds each
// request to its bounds: the parser gets no byte past one (its read fails),
// and cut() says which bound it was.
class ConnectionStream : public httplib::Stream {
public:
    ConnectionStream(int fd, int readTimeoutMs, int writeTimeoutMs, const RequestBounds& bounds)
        : fd_(fd), readTimeoutMs_(readTimeoutMs), writeTimeoutMs_(writeTimeoutMs), bounds_(bounds) {}

    bool is_readable() const override {
        return begin_ < end_ || (cut_ == Cut::kNone && WaitFor(fd_, POLLIN, WaitMs()));
    }
    bool is_writable() const override { return WaitFor(fd_, POLLOUT, writeTimeoutMs_); }

    ssize_t read(char* ptr, size_t size) override {
        if (cut_ != Cut::kNone) return -1;
        if (begin_ == end_) {
            if (!WaitFor(fd_, POLLIN, WaitMs())) {
                if (Clock::now() >= Deadline()) cut_ = Cut::kLate;
                return -1;
            }
            ssize_t n = recv(fd_, buffer_, sizeof buffer_, 0);
            if (n <= 0) return n;
            begin_ = 0;
            end_ = size_t(n);
        }
        size_t n = Take(std::min(size, end_ - begin_));
        if (n == 0) return -1;
        std::memcpy(ptr, buffer_ + begin_, n);
        begin_ += n;
        return ssize_t(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        ssize_t n = send(fd_, ptr, size, MSG_NOSIGNAL);
        answered_ |= n > 0;
        return n;
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

    // A request starts with the byte at hand: its bounds count from here.
    void BeginRequest() {
        start_ = Clock::now();
        headersDone_ = answered_ = closing_ = false;
        headerBytes_ = bodyBytes_ = 0;
        lines_ = lineLength_ = 0;
        previous_ = 0;
    }
    Cut cut() const { return cut_; }
    bool Answered() const { return answered_; }  // some of an answer was written
    void CloseAfterAnswer() { closing_ = true; }
    bool Closing() const { return closing_ || cut_ != Cut::kNone; }

private:
    Clock::time_point Deadline() const {
        return start_ + (headersDone_ ? bounds_.whole : std::min(bounds_.headers, bounds_.whole));
    }
    int WaitMs() const { return std::min(readTimeoutMs_, MillisUntil(Deadline())); }

    // How many of the next `n` buffered bytes the request may have: header
    // bytes up to their end (a line that is just CR LF, as httplib reads
    // them), body bytes up to the bound; 0 once a bound is crossed.
    size_t Take(size_t n) {
        if (headersDone_) {
            size_t left = bounds_.bodyBytes - bodyBytes_;
            if (left == 0) cut_ = Cut::kBodyTooLarge;
            n = std::min(n, left);
            bodyBytes_ += n;
            return n;
        }
        size_t i = 0;
        for (; i < n && !headersDone_; ++i) {
            if (headerBytes_ == bounds_.headerBytes) {
                if (i == 0) cut_ = Cut::kHeadersTooLong;
                return i;
            }
            ++headerBytes_;
            char c = buffer_[begin_ + i];
            if (c == '\n') {
                headersDone_ = lines_ > 0 && lineLength_ == 1 && previous_ == '\r';
                ++lines_;
                lineLength_ = 0;
            } else {
                ++lineLength_;
            }
            previous_ = c;
        }
        return i;
    }

    int fd_;
    int readTimeoutMs_, writeTimeoutMs_;
    RequestBounds bounds_;
    char buffer_[4096];
    size_t begin_ = 0, end_ = 0;
    // The request being read.
    Clock::time_point start_ = Clock::now();
    bool headersDone_ = false, answered_ = false, closing_ = false;
    size_t headerBytes_ = 0, bodyBytes_ = 0, lines_ = 0, lineLength_ = 0;
    char previous_ = 0;
    Cut cut_ = Cut::kNone;
};

// The connection whose request this worker thread is serving, for the error handler.
thread_local ConnectionStream* tServing = nullptr;

// After an answer to a request whose body was not read to its end: the
// client sees the answer end (the write side is closed) and what it still
// sends is read and dropped for a moment, bounded in time and bytes. Closing
// with unread data resets the connection, which can destroy the answer
// before the client has read it.
void Linger(int fd) {
    shutdown(fd, SHUT_WR);
    auto until = Clock::now() + std::chrono::milliseconds(kLingerMs);
    char sink[16384];
    for (size_t left = kLingerBytes; left > 0;) {
        if (!WaitFor(fd, POLLIN, MillisUntil(until))) break;
        ssize_t n = recv(fd, sink, sizeof sink, 0);
        if (n <= 0) break;
        left -= std::min(left, size_t(n));
    }
}

void RefuseAndClose(int fd, size_t perClient) {
    std::string reply = RawAnswer(503, "Service Unavailable",
                                  "Too many connections from your address (at most " + std::to_string(perClient) +
                                      " at once); try again in a moment.\n",
                                  "Retry-After: 1\r\n");
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
    httplib::Server::set_error_handler(HandlerWithResponse(
        [this](const httplib::Request& req, httplib::Response& res) { return OnError(req, res); }));
}

httplib::Server::HandlerResponse FairHttpServer::OnError(const httplib::Request& req, httplib::Response& res) {
    bool cut = false;
    if (ConnectionStream* stream = tServing) {
        cut = stream->cut() != Cut::kNone;
        if (cut) {
            CutAnswer a = Describe(stream->cut(), BoundsOf(limits_, payload_max_length_));
            res.status = a.status;
            res.set_content(a.text, "text/plain; charset=utf-8");
        } else if ((res.status == 400 || res.status == 413) &&
                   (req.has_header("Transfer-Encoding") ||
                    (req.has_header("Content-Length") && req.get_header_value("Content-Length") != "0"))) {
            // A body that could not be read, or was refused unread: the
            // stream may stand anywhere inside it.
            stream->CloseAfterAnswer();
        }
        if (stream->Closing()) res.set_header("Connection", "close");
    }
    HandlerResponse handled = errorHandler_ ? errorHandler_(req, res) : HandlerResponse::Unhandled;
    return cut ? HandlerResponse::Handled : handled;  // Handled: httplib sends the text's length
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
    bool ok = false, linger = false;
    {
        ConnectionStream stream(sock, Millis(read_timeout_sec_, read_timeout_usec_),
                                Millis(write_timeout_sec_, write_timeout_usec_), BoundsOf(limits_, payload_max_length_));
        tServing = &stream;
        auto stopping = [this] { return svr_sock_ == INVALID_SOCKET; };
        for (size_t left = keep_alive_max_count_; left > 0 && !stopping(); --left) {
            if (!stream.WaitForRequest(int(limits_.idle.count()), stopping)) break;
            stream.BeginRequest();
            bool closed = false;
            ok = process_request(stream, left == 1, closed, nullptr);
            if (stream.cut() != Cut::kNone && !stream.Answered()) {
                // Cut off in its request line: httplib gave up without an answer.
                CutAnswer a = Describe(stream.cut(), BoundsOf(limits_, payload_max_length_));
                std::string reply = RawAnswer(a.status, a.reason, a.text);
                ok = stream.write(reply.data(), reply.size()) > 0;
            }
            // A slow client is not waited for; one that may still be sending is.
            linger = stream.Closing() && stream.cut() != Cut::kLate;
            if (!ok || closed || stream.Closing()) break;
        }
        tServing = nullptr;
    }
    if (linger) Linger(sock);
    shutdown(sock, SHUT_RDWR);
    close(sock);
    Release(client);
    return ok;
}

}  // namespace scores
