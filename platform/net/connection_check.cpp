#include <curl/curl.h>

#include "net/curl_global.h"
#include "platform/net.h"

namespace vr {

int32_t InternetCheckConnectionA(const char* url, uint32_t, uint32_t) {
    if (!url || !*url) return 0;
    EnsureCurl();
    CURL* c = curl_easy_init();
    if (!c) return 0;
    curl_easy_setopt(c, CURLOPT_URL, url);
    curl_easy_setopt(c, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, 2000L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    CURLcode rc = curl_easy_perform(c);
    curl_easy_cleanup(c);
    return rc == CURLE_OK ? 1 : 0;
}

}  // namespace vr
