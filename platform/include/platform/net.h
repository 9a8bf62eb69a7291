// The network and the shell: WinINet's connection check, the web-browser
// control's navigation (an HTTP GET finished in the background), and opening
// a document in the user's browser.
#pragma once
#include <cstdint>
#include <string>

namespace vr {

inline constexpr uint32_t FLAG_ICC_FORCE_CONNECTION = 1;

// Non-zero when a TCP connection to the URL's host and port opens within a
// short timeout (2 seconds).
int32_t InternetCheckConnectionA(const char* url, uint32_t flags, uint32_t reserved);

// The web-browser control stand-in: Navigate starts an HTTP GET at once and
// lets it finish in the background; the answer is not examined.
class BrowserControl {
public:
    bool Silent = false;
    // Returns false when the request could not even be started.
    bool Navigate(const std::string& url);
};

// An HTTP POST of `body` (application/octet-stream) to the URL, started at
// once and finished in the background like a navigation, and waited for by
// WaitForNavigations; its answer is not examined and it is not counted by
// AnsweredNavigations. It may take up to `timeoutMs` to be answered. False
// when it could not even be started.
bool PostInBackground(const std::string& url, const std::string& body, int timeoutMs);

// Waits until every navigation started so far has finished (or the timeout
// in milliseconds passed); returns true when all finished. For tests and exit.
bool WaitForNavigations(int timeoutMs);
// Navigations answered with a success status (2xx) so far in this process.
int AnsweredNavigations();

// Opens a document with the user's default program ("open" verb): runs the
// opener named by $VR_URL_OPENER, or xdg-open, detached. Returns a value
// above 32 on success, as the shell does; a missing opener fails quietly.
intptr_t ShellExecuteA(intptr_t hwnd, const char* verb, const char* file, const char* parameters,
                       const char* directory, int showCommand);

}  // namespace vr
