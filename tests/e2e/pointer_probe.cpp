// Answers the platform's pointer position on standard output, one line per
// command read from standard input: "get", "set X Y" (SetCursorPos first), or
// "clip LEFT TOP RIGHT BOTTOM" (ClipCursor first), or "origin" (the form's
// client area on the screen, from ClientToScreen).
// A form is shown so that the display is in use as in a game; with an
// argument N it is drawn N times larger.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/cursor.h"
#include "platform/form.h"
#include "platform/message_loop.h"
#include "platform/runtime_error.h"
#include "platform/user_types.h"
#include "platform/window_rect.h"

using namespace vr;

int main(int argc, char** argv) {
    try {
        Form form("Pointer probe", 200, 150, RGB(0, 0, 0));
        if (argc > 1) form.SetScale(std::atoi(argv[1]));
        form.Show();
        char line[64];
        while (std::fgets(line, sizeof line, stdin)) {
            int x = 0, y = 0;
            RECT r;
            if (std::sscanf(line, "set %d %d", &x, &y) == 2 && !SetCursorPos(x, y)) std::printf("set failed ");
            if (std::sscanf(line, "clip %d %d %d %d", &r.left, &r.top, &r.right, &r.bottom) == 4) ClipCursor(&r);
            DoEvents();
            POINT p;
            if (std::strncmp(line, "origin", 6) == 0) {
                ClientToScreen(form.hWnd(), &p);
                std::printf("%d %d\n", p.x, p.y);
                std::fflush(stdout);
                continue;
            }
            if (!GetCursorPos(&p)) return 1;
            std::printf("%d %d\n", p.x, p.y);
            std::fflush(stdout);
        }
    } catch (const RuntimeError& e) {
        std::fprintf(stderr, "pointer_probe: %s\n", e.description().c_str());
        return 1;
    }
    return 0;
}
