#include "loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace vr::testing {

namespace {
int BindEphemeral(int* port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    return fd;
}
}  // namespace

LoopbackHttpServer::LoopbackHttpServer(std::vector<int> statuses) : statuses_(std::move(statuses)) {
    if (statuses_.empty()) statuses_ = {200};
    listenFd_ = BindEphemeral(&port_);
    listen(listenFd_, 64);
    thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop_ = true;
    thread_.join();
    close(listenFd_);
}

void LoopbackHttpServer::Serve() {
    while (!stop_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        int c = accept(listenFd_, nullptr, nullptr);
        if (c < 0) continue;
        std::string req;
        char buf[4096];
        while (req.find("\r\n\r\n") == std::string::npos) {
            pollfd q{c, POLLIN, 0};
            if (poll(&q, 1, 2000) <= 0) break;
            ssize_t n = read(c, buf, sizeof buf);
            if (n <= 0) break;
            req.append(buf, size_t(n));
        }
        size_t sp1 = req.find(' ');
        size_t sp2 = sp1 == std::string::npos ? sp1 : req.find(' ', sp1 + 1);
        size_t index = 0;
        if (sp2 != std::string::npos) {
            std::lock_guard<std::mutex> lock(mutex_);
            index = requests_.size();
            requests_.push_back(req.substr(sp1 + 1, sp2 - sp1 - 1));
        }
        if (int status = statuses_[index % statuses_.size()]) {
            std::string reply = "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
            ssize_t ignored = write(c, reply.data(), reply.size());
            (void)ignored;
        }
        close(c);
    }
}

std::vector<std::string> LoopbackHttpServer::Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

bool LoopbackHttpServer::WaitForRequests(size_t count, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (requests_.size() >= count) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

int ClosedLoopbackPort() {
    int port = 0;
    int fd = BindEphemeral(&port);
    close(fd);  // bound, never listened, now closed: connections are refused
    return port;
}

}  // namespace vr::testing
