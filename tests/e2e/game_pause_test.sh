#!/usr/bin/env bash
# Holding a run under Xvfb with real keys: P shows PAUSED over a field that
# stands still and lets the pointer go; P again goes on with the pointer held
# in the field. Screenshots before, during and after. Then the window loses
# the keyboard focus, which pauses the run as P does.
source "$(dirname "$0")/lib.sh"
e2e_display
e2e_start game "$VR_BIN/VortexRaiders"
e2e_window "$VR_GAME_CAPTION"
e2e_wait_menu "$OUT/menu.png"
e2e_start_run "$OUT/menu.png" "$OUT/before.png"
e2e_move 231 400
# "PAUSED" in the head-up yellow in the middle of the field (client 81..381 x 1..501).
paused_shown() { e2e_has_colour "$1" "#FFFF00" 150 225 160 50; }
e2e_check "no PAUSED before the pause" e2e_not paused_shown "$OUT/before.png"
e2e_key p
e2e_shot_until "$OUT/during.png" paused_shown "$OUT/during.png" || e2e_fail "P did not show PAUSED"
# The pointer is free: it leaves the window.
xdotool mousemove 900 700
e2e_check "the pointer is let go" e2e_pointer_inside 890 690 910 710
e2e_shot "$OUT/during-later.png"
e2e_check "nothing moves while held" [ "$(e2e_pixels_differ "$OUT/during.png" "$OUT/during-later.png" 81 1 300 500)" = 0 ]
e2e_key p
e2e_shot_until "$OUT/after.png" e2e_not paused_shown "$OUT/after.png" || e2e_fail "P did not take the run up again"
e2e_shot "$OUT/after-later.png"
e2e_check "the run moves again" [ "$(e2e_pixels_differ "$OUT/after.png" "$OUT/after-later.png" 81 1 300 500)" != 0 ]
# The pointer is back in the field (at the ship), and held there.
e2e_check "the pointer is back over the ship" e2e_pointer_inside $((WX + 221)) $((WY + 391)) $((WX + 241)) $((WY + 411))
e2e_pointer_held $((WX + 81)) $((WY + 1)) $((WX + 380)) $((WY + 497)) "-600 0" "0 600"

game_window=$(xwininfo -name "$VR_GAME_CAPTION" | awk '/Window id:/ {print $4}')
xdotool windowfocus "$(xwininfo -root | awk '/Window id:/ {print $4}')"
e2e_shot_until "$OUT/focus-lost.png" paused_shown "$OUT/focus-lost.png" || e2e_fail "losing the focus did not pause"
xdotool windowfocus --sync "$game_window"
e2e_key p
e2e_shot_until "$OUT/focus-back.png" e2e_not paused_shown "$OUT/focus-back.png" ||
  e2e_fail "P did not take the run up again after the focus came back"
e2e_escape
e2e_done
