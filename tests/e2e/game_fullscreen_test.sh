#!/usr/bin/env bash
# --fullscreen on a 3840 x 2160 screen: the 468 x 502 picture at 4x, centred
# on black; a real click at the scaled centre starts a run; the pointer stays
# in the field; the pilot flies the whole run to its end: the end-of-run
# dialogues answered from a script, the run ranked first, saved in Top10.ini
# and highlighted on the menu after it; then it presses Escape.
source "$(dirname "$0")/lib.sh"
printf 'Pilot\nPilot\nOK\nOK\n' > "$OUT/answers.txt"
export VR_DIALOG_SCRIPT="$OUT/answers.txt"
e2e_display 3840x2160
xdotool mousemove 5 5
# The pilot waits on the menu (1500 frames, a minute) so that the real click starts the run.
e2e_start game "$VR_BIN/VortexRaiders" --fullscreen --autopilot --pilot-wait 1500 --pilot-shots "$OUT"
e2e_window "$VR_GAME_CAPTION"
[ "$WW" = 3840 ] && [ "$WH" = 2160 ] || e2e_fail "the window (${WW}x$WH) does not fill the screen"
# 4 x 468 = 1872 and 4 x 502 = 2008, centred: the picture starts at (984, 76).
WX=984 WY=76
e2e_wait_menu "$OUT/menu.png" 4
e2e_start_run "$OUT/menu.png" "$OUT/run.png" 4
# Pushes past the field's edges: the pointer is held in the scaled field.
e2e_pointer_held 1308 80 2507 2067 "-5000 -5000" "10000 10000" "-10000 0" "0 -10000"
# The menu's picture, looked at while the pilot flies.
margins=$(WX=0 WY=0 e2e_pixels "$OUT/menu.png" 0 0 983 1000 2856 1000 1500 75 1500 2084 3839 2159 | sort -u)
[ "$margins" = "srgb(0,0,0)" ] || e2e_fail "the margins are not all black: $margins"
[ "$(e2e_pixels "$OUT/menu.png" 0 0 1871 2007 | sort -u)" = "srgb(38,15,130)" ] ||
  e2e_fail "the window background does not span 984..2855 x 76..2083"
# Every field pixel is a whole 4 x 4 block.
convert "$OUT/menu.png" -crop 1200x2000+1308+80 +repage "$OUT/field.png"
convert "$OUT/field.png" -sample 25% -sample 400% "$OUT/field-blocks.png"
[ "$(compare -metric AE "$OUT/field.png" "$OUT/field-blocks.png" null: 2>&1 || true)" = 0 ] ||
  e2e_fail "the field is not drawn in aligned 4 x 4 blocks"
E2E_TIMEOUT=300 e2e_wait_exit  # a whole run: slow on a busy machine
[ "$STATUS" = 0 ] || e2e_fail "the game did not end with status 0"
log="$OUT/game.log"
grep -Eq "\[dialog\] Congratulations \| Enter your name:.*You are: 1\. with [0-9]+ points.* \| Pilot" "$log" ||
  e2e_fail "the run did not enter the table"
grep -q "pilot: 1 run(s) played" "$log" || e2e_fail "the pilot did not finish"
top10="$XDG_DATA_HOME/vrplatform/system/Top10.ini"
[ -s "$top10" ] || e2e_fail "no Top10.ini was written"
! grep -q "Top10" "$top10" || e2e_fail "Top10.ini is readable"
for f in pilot-earth-intro.png pilot-mid-run.png pilot-menu-after-run.png; do
  [ -s "$OUT/$f" ] || e2e_fail "missing screenshot $f"
done
e2e_has_colour "$OUT/pilot-menu-after-run.png" "#FFE0C0" || e2e_fail "the run is not highlighted in the table"
echo "full screen: 4x centred on black, a real click starts the run, the pointer held, the pilot's run ranked, saved and highlighted, Escape quits"
