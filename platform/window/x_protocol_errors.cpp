// X protocol errors are not fatal: a request that names a window destroyed a
// moment before (a wakeup sent to a dialog that has just closed, say) is
// answered with an error long after the program moved on. Xlib's default
// handler ends the program for any of them, and SDL's own handler passes them
// on to it. The handler is one for the whole process, so it covers SDL's
// connections and the platform's own alike: each error is logged on standard
// error and the program goes on. A broken connection is another matter (the
// I/O error handler of the display session ends the program).
#include <X11/Xlib.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "window/display_session.h"

namespace vr::detail {

namespace {

// Enough to tell a pattern; a flood of errors does not flood the log.
constexpr int kMaxLogged = 50;
std::atomic<int> g_errors{0};

// The request's name ("X_SendEvent"), or its opcodes for an extension's request.
void RequestName(Display* d, const XErrorEvent& e, char* out, int size) {
    char number[16];
    std::snprintf(number, sizeof number, "%d", e.request_code);
    out[0] = 0;
    if (e.request_code < 128) XGetErrorDatabaseText(d, "XRequest", number, "", out, size);
    if (!out[0]) std::snprintf(out, size_t(size), "request %d.%d", e.request_code, e.minor_code);
}

// Called by Xlib on whichever thread met the error; it must not talk to the server.
int OnProtocolError(Display* d, XErrorEvent* e) {
    int n = ++g_errors;
    if (n > kMaxLogged + 1) return 0;
    if (n == kMaxLogged + 1) {
        std::fprintf(stderr, "%s: more X errors follow; they are not logged.\n", program_invocation_short_name);
        return 0;
    }
    char text[160], request[64];
    XGetErrorText(d, e->error_code, text, sizeof text);
    RequestName(d, *e, request, sizeof request);
    const char* name = DisplayString(d);
    std::fprintf(stderr, "%s: X error on the display %s: %s in %s (resource 0x%lx, serial %lu); carrying on.\n",
                 program_invocation_short_name, name ? name : "", text, request, e->resourceid, e->serial);
    return 0;
}

}  // namespace

void KeepProtocolErrorsNonFatal() { XSetErrorHandler(OnProtocolError); }

int ProtocolErrorCount() { return g_errors.load(); }

}  // namespace vr::detail
