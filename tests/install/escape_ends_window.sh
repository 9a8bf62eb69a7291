#!/usr/bin/env bash
# Runs a windowed program under Xvfb, waits for its window, holds Escape over
# it and expects the program to end with status 0 within five seconds.
#   escape_ends_window.sh CAPTION LOG PROGRAM [ARGS...]
set -euo pipefail
caption="$1"
log="$2"
shift 2
here="$(cd "$(dirname "$0")" && pwd)"
unset SDL_VIDEODRIVER  # a real window on the virtual display
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  caption="$1" log="$2" wait_for="$3"; shift 3
  "$@" > "$log" 2>&1 & pid=$!
  "$wait_for" "$caption" "$log.xwininfo" || { kill $pid; exit 1; }
  X=$(sed -n "s/.*Absolute upper-left X: *//p" "$log.xwininfo")
  Y=$(sed -n "s/.*Absolute upper-left Y: *//p" "$log.xwininfo")
  xdotool mousemove $((X + 20)) $((Y + 20)); sleep 0.3
  xdotool keydown Escape; sleep 0.3; xdotool keyup Escape
  for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill $pid 2>/dev/null && { echo "\"$caption\" did not end on Escape"; exit 1; }
  wait $pid || { echo "\"$caption\" ended with status $?"; cat "$log"; exit 1; }
' _ "$caption" "$log" "$here/../e2e/wait_for_window.sh" "$@"
