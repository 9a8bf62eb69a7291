#!/usr/bin/env bash
# The game starts 20 times out of 20 on an X server (at most 64 clients) that
# other clients keep full for 200 ms and leave free for 200 ms by turns, so
# that some of its connection attempts are refused and must be retried.
#   busy_display_test.sh CHURN
source "$(dirname "$0")/lib.sh"
e2e_display 800x600 -maxclients 64
e2e_start churn "$1" 76 200 200
churn=$PID
started=0
for i in $(seq 20); do
  e2e_start "start-$i" "$VR_BIN/VortexRaiders"
  if e2e_window "$VR_GAME_CAPTION" > /dev/null; then started=$((started + 1)); else echo "start $i: no window"; fi
  kill -TERM "$PID"
  e2e_wait_exit || true
done
kill -TERM "$churn"
e2e_wait_exit "$churn"
cat "$OUT/churn.log"
refusals=$(cat "$OUT"/start-*.log | grep -c "Maximum number of clients reached" || true)
echo "the game's connection attempts refused by the full server: $refusals"
echo "the game started $started times out of 20"
[ "$started" = 20 ] || e2e_fail "the game did not start every time"
[ "$refusals" -gt 0 ] || e2e_fail "no connection of the game was refused: the server was never full"
