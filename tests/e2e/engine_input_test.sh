#!/usr/bin/env bash
# Real key presses and pointer moves from xdotool reach GetKeyState and
# GetMouseState of an engine client started full under Xvfb.
set -euo pipefail
client="$1"
out="$2"
rm -rf "$out"
mkdir -p "$out"
export XDG_DATA_HOME="$out/xdg" SDL_AUDIODRIVER=dummy
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -eu
  out="'"$out"'"
  "'"$client"'" "$out" 20 > "$out/client.log" 2>&1 & pid=$!
  "'"$(dirname "$0")"'/wait_for_window.sh" "Korva2D input" "$out/xwininfo.txt"
  X=$(sed -n "s/.*Absolute upper-left X: *//p" "$out/xwininfo.txt")
  Y=$(sed -n "s/.*Absolute upper-left Y: *//p" "$out/xwininfo.txt")
  sleep 0.5
  xdotool mousemove $((X + 50)) $((Y + 40)); sleep 0.3
  xdotool keydown space; sleep 0.3; xdotool keyup space; sleep 0.2
  xdotool keydown Left; sleep 0.3; xdotool keyup Left; sleep 0.2
  xdotool mousedown 1; sleep 0.3; xdotool mouseup 1; sleep 0.2
  xdotool click 4; sleep 0.3
  xdotool keydown Escape; sleep 0.3; xdotool keyup Escape
  wait $pid; echo "exit status $?" > "$out/exit.txt"
'
cat "$out/client.log"
fail=0
expect() { grep -qx "$1" "$out/client.log" || { echo "FAIL: no line \"$1\" ($2)"; fail=1; }; }
expect "keys 57" "the space bar, DirectInput key 57"
expect "keys 203" "the left arrow, DirectInput key 203"
expect "mouse 50 40 0 0 0 0" "the pointer 50, 40 inside the window"
expect "mouse 50 40 1 0 0 0" "the left button down"
grep -q "^mouse 50 40 0 0 0 [1-9]" "$out/client.log" || { echo "FAIL: the wheel notch did not count"; fail=1; }
grep -q "exit status 0" "$out/exit.txt" || { echo "FAIL: Escape did not end the client"; fail=1; }
exit $fail
