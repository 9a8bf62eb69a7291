#!/usr/bin/env bash
# The game on a 3840 x 2160 screen: --scale auto opens a 4x window whose menu
# table, scaled back down, is the scale-1 picture; a real click at the scaled
# centre starts a run; the pointer cannot leave the scaled field during it;
# the scale is remembered for the next start and a new --scale wins.
source "$(dirname "$0")/lib.sh"
e2e_display 3840x2160
# start [OPTION...]: the game with the pointer off its window, so that the menu's
# "Click" label stays where it starts, at 1x and 4x alike; the window's size is noted.
start() {
  xdotool mousemove 5 5
  e2e_start game "$VR_BIN/VortexRaiders" "$@"
  e2e_window "$VR_GAME_CAPTION"
  echo "$* -> ${WW}x$WH" >> "$OUT/windows.txt"
}
table() { convert "$1" -crop $((300 * $2))x$((271 * $2))+$((WX + 81 * $2))+$((WY + 121 * $2)) +repage -sample 300x271 "$3"; }
same_table() {
  table "$OUT/menu-4x.png" 4 "$OUT/table-4x-down.png" &&
    [ "$(compare -metric AE "$OUT/table-1x.png" "$OUT/table-4x-down.png" null: 2>&1)" = 0 ]
}

start
e2e_wait_menu "$OUT/menu-1x.png"
table "$OUT/menu-1x.png" 1 "$OUT/table-1x.png"
e2e_escape
start --scale auto
e2e_shot_until "$OUT/menu-4x.png" same_table || e2e_fail "the 4x table scaled down differs from the 1x table"
e2e_start_run "$OUT/menu-4x.png" "$OUT/run-4x.png" 4
# Pushes past every edge and corner of the scaled field, the corners from their opposites too.
e2e_pointer_held $((WX + 4 * 81)) $((WY + 4)) $((WX + 4 * 381 - 1)) $((WY + 4 * 498 - 1)) \
  "5000 0" "-10000 0" "0 -5000" "0 10000" "-5000 -5000" "10000 10000" "-10000 0" "10000 -10000" "-10000 10000"
e2e_escape
start
e2e_escape            # remembered: auto again
start --scale 2
e2e_escape            # the command line wins, and is remembered
cat "$OUT/windows.txt"
expected=" -> 468x502
--scale auto -> 1872x2008
 -> 1872x2008
--scale 2 -> 936x1004"
[ "$(cat "$OUT/windows.txt")" = "$expected" ] || e2e_fail "the windows are not 1x, 4x, 4x, 2x"
grep -q "Scale=2" "$OUT/config/vortex-raiders/settings.ini" || e2e_fail "the settings file does not hold --scale 2"
echo "scaled window: 4x size, the table as at 1x, a real click starts a run, the pointer held in the field, the scale remembered"
