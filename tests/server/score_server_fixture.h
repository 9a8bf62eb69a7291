// A score server on a free loopback port for the tests: in this process, or
// as a vortex-scores process of its own; and raw connections to it.
#pragma once
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "score_service.h"

extern char** environ;

namespace scores::testing {

// A raw loopback connection from `source` (any 127.x.y.z address) to `port`; -1 on failure.
inline int Connect(int port, const char* source) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, source, &a.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    a.sin_port = htons(uint16_t(port));
    inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// What arrives on `fd` until the server closes it (`closed`) or nothing comes for `quietMs`.
struct Arrived {
    std::string text;
    bool closed = false;
};
inline Arrived ReadUntilClosed(int fd, int quietMs) {
    Arrived got;
    char buf[65536];
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, quietMs) > 0) {
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            got.closed = true;  // the end, or a reset after it
            break;
        }
        got.text.append(buf, size_t(n));
    }
    return got;
}

// A vortex-scores process on a free loopback port, started with `options`.
class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> options) {
        options.insert(options.begin(), {VR_SCORES_BINARY, "--port", "0"});
        std::vector<char*> argv;
        for (auto& o : options) argv.push_back(o.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        int failed = posix_spawn(&pid_, VR_SCORES_BINARY, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        out_ = fdopen(out[0], "r");
        // Its first line: "vortex-scores: listening on http://127.0.0.1:PORT (...)".
        char line[512] = "";
        const char* at = !failed && std::fgets(line, sizeof line, out_) ? std::strstr(line, "127.0.0.1:") : nullptr;
        if (!at) throw std::runtime_error(std::string("vortex-scores did not start: ") + line);
        port = std::atoi(at + 10);
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess() {
        if (pid_ > 0) Kill(SIGTERM);
        std::fclose(out_);
    }
    void Kill(int signal) {
        kill(pid_, signal);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    pid_t Pid() const { return pid_; }
    int port = 0;

private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
};

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
