#!/usr/bin/env bash
# Runs a test program on an X server of its own, which no window manager runs.
#   run_on_display.sh PROGRAM [ARG...]
source "$(dirname "$0")/lib.sh"
e2e_display
SDL_VIDEODRIVER=x11 "$@"
