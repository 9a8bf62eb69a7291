// Each navigation runs on a worker thread of its own, so the caller's
// message processing goes on and the next navigation does not wait for the
// previous answer.
#include <curl/curl.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "net/curl_global.h"
#include "platform/net.h"

namespace vr {

namespace {
std::mutex g_mutex;
std::condition_variable g_done;
int g_running = 0;
int g_completed = 0;

size_t Discard(char*, size_t size, size_t n, void*) { return size * n; }

void Fetch(std::string url) {
    if (CURL* c = curl_easy_init()) {
        curl_easy_setopt(c, CURLOPT_URL, url.c_str());
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Discard);
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, 5000L);
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, 20000L);
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_USERAGENT, "Mozilla/4.0 (compatible; vrplatform browser control)");
        curl_easy_perform(c);
        curl_easy_cleanup(c);
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    --g_running;
    ++g_completed;
    g_done.notify_all();
}

// Lets running navigations finish (bounded) when the process exits normally.
struct Drain {
    ~Drain() { WaitForNavigations(3000); }
} g_drain;
}  // namespace

void EnsureCurl() {
    static bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
    (void)done;
}

bool BrowserControl::Navigate(const std::string& url) {
    EnsureCurl();
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        ++g_running;
    }
    try {
        std::thread(Fetch, url).detach();
    } catch (...) {
        std::lock_guard<std::mutex> lock(g_mutex);
        --g_running;
        return false;
    }
    return true;
}

bool WaitForNavigations(int timeoutMs) {
    std::unique_lock<std::mutex> lock(g_mutex);
    return g_done.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return g_running == 0; });
}

int CompletedNavigations() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_completed;
}

}  // namespace vr
