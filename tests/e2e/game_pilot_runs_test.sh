#!/usr/bin/env bash
# The pilot plays three runs in a row: each ends, is ranked and saved, the
# menu comes back and the next one starts from it; after the third the game
# leaves with status 0.
source "$(dirname "$0")/lib.sh"
printf "Pilot\n%.0s" {1..12} > "$OUT/answers.txt"
export VR_DIALOG_SCRIPT="$OUT/answers.txt"
e2e_display 800x600
e2e_start game "$VR_BIN/VortexRaiders" --autopilot --pilot-runs 3 --pilot-shots "$OUT"
E2E_TIMEOUT=300 e2e_wait_exit  # three whole runs: slow on a busy machine
log="$OUT/game.log"
e2e_check "the game ends with status 0" [ "$STATUS" = 0 ]
e2e_check "three runs ended and were ranked" [ "$(grep -cE '^\[dialog\] (Congratulations|Sorry!) \|' "$log")" = 3 ]
e2e_check "the menu came back after each run" [ "$(grep -c 'pilot: saved .*/pilot-menu-after-run.png' "$log")" = 3 ]
e2e_check "the pilot left after the third" grep -q "pilot: 3 run(s) played, leaving" "$log"
e2e_check "the last run is highlighted on the menu" e2e_has_colour "$OUT/pilot-menu-after-run.png" "#FFE0C0"
e2e_done
