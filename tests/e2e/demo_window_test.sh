#!/usr/bin/env bash
# The platform's demo window under Xvfb: the sprite's red, the text's yellow
# and the window's background on the screen; the program ends by itself.
#   demo_window_test.sh DEMO_WINDOW
source "$(dirname "$0")/lib.sh"
shows() { e2e_has_colour "$OUT/screen.png" "$1"; }
e2e_display 800x600
e2e_start demo "$1" 150
e2e_shot_until "$OUT/screen.png" eval 'shows "#FF2828" && shows "#FFFF00" && shows "#260F82"' || true
e2e_check "the sprite is on the screen" shows "#FF2828"
e2e_check "the text is on the screen" shows "#FFFF00"
e2e_check "the window background is on the screen" shows "#260F82"
e2e_wait_exit
e2e_check "the demo window ends with status 0" [ "$STATUS" = 0 ]
e2e_done
