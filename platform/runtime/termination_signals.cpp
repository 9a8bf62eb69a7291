// SIGINT and SIGTERM keep their default action and end the process. SDL would
// otherwise turn them into a quit event that only a program processing its
// window messages sees, so a program busy elsewhere, in a modal dialogue, or
// without a window at all (a sound-only client) could not be stopped.
#include <SDL.h>

namespace {
const bool g_defaultTerminationSignals = SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}  // namespace
