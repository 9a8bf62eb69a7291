#!/usr/bin/env bash
# A game controller under Xvfb: SDL's virtual controller, plugged in on the
# menu, starts a run with A, steers the ship with its stick, fires with A and
# B; unplugged and plugged in again mid-run it steers at once; Back quits.
source "$(dirname "$0")/lib.sh"
e2e_display
cat > "$OUT/pad.txt" <<SCRIPT
20 plug
25 report
30 press a
32 release a
40 report
41 tilt x 32767
53 tilt x 0
58 report
60 press a
62 release a
64 press b
66 release b
72 report
73 shot $OUT/fired.png
75 unplug
85 plug
90 tilt y -32767
100 tilt y 0
105 report
106 shot $OUT/replugged.png
115 press back
117 release back
SCRIPT
e2e_start game "$VR_BIN/VortexRaiders" --pad-script "$OUT/pad.txt"
e2e_window "$VR_GAME_CAPTION"
e2e_move 231 251  # the window under the pointer has the focus (no window manager)
E2E_TIMEOUT=60 e2e_wait_exit
[ "$STATUS" = 0 ] || e2e_fail "Back did not end the game with status 0 (status $STATUS)"
log="$OUT/game.log"
grep "^pad:" "$log"
report() { sed -n "s/^pad: frame $1 playing \([01]\) pointer \(-\?[0-9]*\),\(-\?[0-9]*\) fired \([0-9]*\) paused [01]$/\1 \2 \3 \4/p" "$log"; }
read -r menu _ <<< "$(report 25)"
read -r playing x0 y0 _ <<< "$(report 40)"
read -r _ x1 y1 fired0 <<< "$(report 58)"
read -r _ _ _ fired1 <<< "$(report 72)"
read -r still x2 y2 _ <<< "$(report 105)"
e2e_check "the menu before A" [ "${menu:-}" = 0 ]
e2e_check "A started a run" [ "${playing:-}" = 1 ]
e2e_check "the stick moved the ship right ($x0 -> $x1)" [ "$x1" -gt $((x0 + 100)) ] && [ "$y1" = "$y0" ]
e2e_check "A and B fired ($fired0 -> $fired1)" [ "$fired1" -ge $((fired0 + 2)) ]
e2e_check "plugged in again mid-run, it steered at once ($y1 -> $y2)" [ "$still" = 1 ] && [ "$y2" -lt $((y1 - 100)) ]
e2e_done
