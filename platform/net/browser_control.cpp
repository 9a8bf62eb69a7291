// Navigations are HTTP GETs (and background POSTs) driven by one worker
// thread through a libcurl multi handle: each starts at once, in the order
// asked, and finishes in the background, so the caller's message processing
// goes on and the next navigation does not wait for the previous answer.
#include <curl/curl.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "net/curl_global.h"
#include "platform/net.h"

namespace vr {

namespace {

size_t Discard(char*, size_t size, size_t n, void*) { return size * n; }

struct Request {
    std::string url;
    bool post = false;
    std::string body;  // a POST's, kept until it is answered
    long timeoutMs = 20000;
    CURL* easy = nullptr;  // its transfer, while one runs
};

class Navigator {
public:
    Navigator() { EnsureCurl(); }
    ~Navigator() {
        WaitIdle(3000);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        if (multi_) curl_multi_wakeup(multi_);
        if (worker_.joinable()) worker_.join();
    }

    bool Start(Request request) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!multi_) {
            multi_ = curl_multi_init();
            if (!multi_) return false;
            try {
                worker_ = std::thread([this] { Run(); });
            } catch (...) {
                curl_multi_cleanup(multi_);
                multi_ = nullptr;
                return false;
            }
        }
        queued_.push_back(std::make_unique<Request>(std::move(request)));
        ++pending_;
        curl_multi_wakeup(multi_);
        return true;
    }

    bool WaitIdle(int timeoutMs) {
        std::unique_lock<std::mutex> lock(mutex_);
        return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return pending_ == 0; });
    }

    int Answered() {
        std::lock_guard<std::mutex> lock(mutex_);
        return answered_;
    }

private:
    void Run() {
        int running = 0;
        for (;;) {
            std::deque<std::unique_ptr<Request>> fresh;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stop_) break;
                fresh.swap(queued_);
            }
            // Navigations start at once; POSTs go one at a time, so a batch of
            // them holds one of the server's connections, not one each.
            for (auto& request : fresh) {
                if (request->post) waitingPosts_.push_back(std::move(request));
                else Begin(std::move(request));
            }
            if (!postRunning_ && !waitingPosts_.empty()) {
                postRunning_ = true;
                auto next = std::move(waitingPosts_.front());
                waitingPosts_.pop_front();
                Begin(std::move(next));
            }
            curl_multi_perform(multi_, &running);
            int left = 0;
            while (CURLMsg* m = curl_multi_info_read(multi_, &left)) {
                if (m->msg != CURLMSG_DONE) continue;
                long status = 0;
                if (m->data.result == CURLE_OK) curl_easy_getinfo(m->easy_handle, CURLINFO_RESPONSE_CODE, &status);
                char* owner = nullptr;
                curl_easy_getinfo(m->easy_handle, CURLINFO_PRIVATE, &owner);
                curl_multi_remove_handle(multi_, m->easy_handle);
                curl_easy_cleanup(m->easy_handle);
                Finished(reinterpret_cast<Request*>(owner), status >= 200 && status < 300);
                if (reinterpret_cast<Request*>(owner)->post) postRunning_ = false;
                running_.remove_if([owner](const auto& r) { return r.get() == reinterpret_cast<Request*>(owner); });
            }
            // A POST that finished lets the next one start at once.
            if (!postRunning_ && !waitingPosts_.empty()) continue;
            curl_multi_poll(multi_, nullptr, 0, 200, nullptr);
        }
        // Transfers still running at exit are dropped.
        for (auto& r : running_) {
            curl_multi_remove_handle(multi_, r->easy);
            curl_easy_cleanup(r->easy);
        }
        running_.clear();
        curl_multi_cleanup(multi_);
        curl_slist_free_all(headers_);
        multi_ = nullptr;
    }

    // Starts a request's transfer (the worker's own).
    void Begin(std::unique_ptr<Request> request) {
        CURL* c = curl_easy_init();
        if (!c) {
            Finished(request.get(), false);
            if (request->post) postRunning_ = false;
            return;
        }
        curl_easy_setopt(c, CURLOPT_URL, request->url.c_str());
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Discard);
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, 5000L);
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, request->timeoutMs);
        curl_easy_setopt(c, CURLOPT_PRIVATE, request.get());
        if (request->post) {
            if (!headers_) headers_ = curl_slist_append(nullptr, "Content-Type: application/octet-stream");
            curl_easy_setopt(c, CURLOPT_POSTFIELDS, request->body.data());
            curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request->body.size()));
            curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers_);
        }
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_USERAGENT, "Mozilla/4.0 (compatible; vrplatform browser control)");
        if (curl_multi_add_handle(multi_, c) != CURLM_OK) {
            curl_easy_cleanup(c);
            Finished(request.get(), false);
            if (request->post) postRunning_ = false;
            return;
        }
        request->easy = c;
        running_.push_back(std::move(request));
    }

    // Navigations answered with a success status are counted; POSTs are not.
    void Finished(const Request* request, bool answered) {
        std::lock_guard<std::mutex> lock(mutex_);
        --pending_;
        if (!request->post) answered_ += answered;
        idle_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable idle_;
    std::deque<std::unique_ptr<Request>> queued_;
    CURLM* multi_ = nullptr;
    // Used by the worker only: the transfers running, the POSTs waiting for
    // the one running, the POSTs' header list.
    std::list<std::unique_ptr<Request>> running_;
    std::deque<std::unique_ptr<Request>> waitingPosts_;
    bool postRunning_ = false;
    curl_slist* headers_ = nullptr;
    std::thread worker_;
    bool stop_ = false;
    int pending_ = 0;
    int answered_ = 0;
};

Navigator& TheNavigator() {
    static Navigator navigator;
    return navigator;
}

}  // namespace

void EnsureCurl() {
    static bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
    (void)done;
}

bool BrowserControl::Navigate(const std::string& url) { return TheNavigator().Start(Request{url, false, "", 20000}); }
bool PostInBackground(const std::string& url, const std::string& body, int timeoutMs) {
    return TheNavigator().Start(Request{url, true, body, timeoutMs});
}
bool WaitForNavigations(int timeoutMs) { return TheNavigator().WaitIdle(timeoutMs); }
int AnsweredNavigations() { return TheNavigator().Answered(); }

}  // namespace vr
