#!/usr/bin/env bash
# The game starts 20 times out of 20 on an X server that is kept full by
# clients connecting and disconnecting (at most 64 clients at once), so that
# some of its connection attempts are refused and must be retried.
#   busy_display_test.sh GAME CHURN OUT
set -euo pipefail
game="$1"
churn="$2"
out="$3"
mkdir -p "$out"
rm -rf "$out/xdg" "$out"/start-*.log
export XDG_DATA_HOME="$out/xdg" SDL_AUDIODRIVER=dummy
here="$(dirname "$0")"
xvfb-run -a -s "-screen 0 800x600x24 -maxclients 64" bash -c '
  out="'"$out"'"
  "'"$churn"'" 70 40 10 > "$out/churn.txt" 2> /dev/null & churn=$!
  sleep 0.5
  started=0
  for i in $(seq 20); do
    "'"$game"'" > "$out/start-$i.log" 2>&1 & pid=$!
    if "'"$here"'/wait_for_window.sh" "Vortex Raiders v1.3.21  [2004-12-27]" "$out/xwininfo.txt" > /dev/null; then
      started=$((started + 1))
    else
      echo "start $i: no window"; cat "$out/start-$i.log"
    fi
    kill -TERM $pid 2>/dev/null; wait $pid 2>/dev/null || true
  done
  kill -TERM $churn; wait $churn
  echo "$started" > "$out/started.txt"
'
cat "$out/churn.txt"
refusals=$(cat "$out"/start-*.log | grep -c "Maximum number of clients reached" || true)
echo "the game's connection attempts refused by the full server: $refusals"
started=$(cat "$out/started.txt")
echo "the game started $started times out of 20"
[ "$started" = 20 ]
