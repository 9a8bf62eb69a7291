#!/usr/bin/env bash
# The keyboard after a real dialog on an X server that no window manager runs:
# U without a score server shows "You must connect to the Internet first!",
# Return closes it, and Escape then ends the game.
source "$(dirname "$0")/lib.sh"
export VORTEX_SCORE_SERVER="http://127.0.0.1:0"  # no server can be there
unset VR_DIALOG_SCRIPT
e2e_display
e2e_start game "$VR_BIN/VortexRaiders"
e2e_window "$VR_GAME_CAPTION"
e2e_wait_menu "$OUT/menu.png"
e2e_move 150 250
e2e_key u
e2e_window "VortexRaiders"
e2e_shot "$OUT/dialog.png"
e2e_key Return
e2e_wait_log "$OUT/game.log" "^\[dialog\] VortexRaiders \| You must connect to the Internet first! \| OK$"
e2e_key Escape
E2E_TIMEOUT=5 e2e_wait_exit || e2e_fail "Escape after the dialog did not end the game: the keyboard is dead"
[ "$STATUS" = 0 ] || e2e_fail "the game ended with status $STATUS"
echo "ok   Escape ends the game after the dialog"
e2e_done
