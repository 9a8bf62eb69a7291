#!/usr/bin/env bash
# Real key presses and pointer moves from xdotool reach GetKeyState and
# GetMouseState of an engine client started full under Xvfb. Each key and
# button is held until the client's log shows it.
#   engine_input_test.sh CLIENT
source "$(dirname "$0")/lib.sh"
log="$OUT/client.log"
last() { [ "$(grep "^$1" "$log" | tail -n 1)" = "$1$2" ]; }  # the last line of a kind: keys or mouse
e2e_display
e2e_start client "$1" "$OUT" 20
e2e_window "Korva2D input"
e2e_move 50 40
e2e_check "the pointer 50, 40 inside the window" e2e_until last mouse " 50 40 0 0 0 0"
for key in space:57 Left:203; do
  xdotool keydown "${key%:*}"
  e2e_check "${key%:*} reads as DirectInput key ${key#*:}" e2e_until last keys " ${key#*:}"
  xdotool keyup "${key%:*}"
  e2e_until last keys ""
done
xdotool mousedown 1
e2e_check "the left button down" e2e_until last mouse " 50 40 1 0 0 0"
xdotool mouseup 1 click 4
e2e_check "the wheel notch counts" e2e_wait_log "$log" "^mouse 50 40 0 0 0 [1-9]"
xdotool keydown Escape
e2e_wait_exit
xdotool keyup Escape
e2e_check "Escape ends the client with status 0" [ "$STATUS" = 0 ]
cat "$log"
e2e_done
