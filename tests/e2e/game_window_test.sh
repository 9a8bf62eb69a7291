#!/usr/bin/env bash
# The game under Xvfb with real input from xdotool: the window's caption and
# client size, the menu, a click that starts a run, Enter, Escape.
source "$(dirname "$0")/lib.sh"
e2e_display
e2e_start game "$VR_BIN/VortexRaiders"
e2e_window "$VR_GAME_CAPTION"
[ "$WW" = 468 ] && [ "$WH" = 502 ] || e2e_fail "the client area is ${WW}x$WH, not 468x502"
# The menu: the table's header; the window's background beside the field.
e2e_wait_menu "$OUT/menu.png"
e2e_pixel_is "$OUT/menu.png" 40 250 "srgb(38,15,130)" || e2e_fail "the window background is wrong"
e2e_start_run "$OUT/menu.png" "$OUT/run.png"
e2e_key Return
e2e_shot "$OUT/restart.png"
e2e_escape
echo "game window: caption, size, menu, run start, restart and Escape are right"
