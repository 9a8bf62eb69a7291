#!/usr/bin/env bash
# The whole online loop under Xvfb: a score server on a free loopback port, the
# game with a ten-place table presses U and uploads, answers Yes to open the
# page; the page lists the ten places, escaped; headless Chromium shoots it.
set -euo pipefail
game="$1"
server="$2"
fixture="$3"
out="$4"
mkdir -p "$out"
rm -rf "$out/xdg" "$out/scores" "$out"/*.png "$out"/*.txt "$out"/*.log "$out/chromium"
export XDG_DATA_HOME="$out/xdg" SDL_AUDIODRIVER=dummy
"$fixture" > /dev/null

server_pid=""
stop_server() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true; }
trap stop_server EXIT
for attempt in $(seq 20); do
  port=$((20000 + RANDOM % 40000))
  "$server" --port "$port" --data "$out/scores" > "$out/server.log" 2>&1 & server_pid=$!
  for i in $(seq 50); do
    grep -q "listening" "$out/server.log" && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -q "listening" "$out/server.log" && break
  wait "$server_pid" || true
  server_pid=""
done
[ -n "$server_pid" ] || { echo "the score server did not start"; cat "$out/server.log"; exit 1; }
base="http://127.0.0.1:$port"

export VORTEX_SCORE_SERVER="$base"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" > "%s/opened-url.txt"\n' "$out" > "$out/open-url.sh"
chmod +x "$out/open-url.sh"
export VR_URL_OPENER="$out/open-url.sh"
printf 'Yes\n' > "$out/answers.txt"
export VR_DIALOG_SCRIPT="$out/answers.txt"

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -eu
  out="'"$out"'"
  "'"$game"'" > "$out/game.log" 2>&1 & pid=$!
  "'"$(dirname "$0")"'/wait_for_window.sh" "Vortex Raiders v1.3.21  [2004-12-27]" "$out/xwininfo.txt"
  sleep 1.5
  import -window root "$out/menu.png"
  xdotool key u
  sleep 1
  import -window root "$out/uploading.png"
  # Ten requests, 0.4 s apart, then the question; the opener records the page.
  for i in $(seq 300); do [ -s "$out/opened-url.txt" ] && break; sleep 0.1; done
  xdotool key Escape
  for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  wait $pid; echo "exit status $?" > "$out/exit.txt"
'
grep -q "exit status 0" "$out/exit.txt" || { echo "the game did not end with status 0"; cat "$out/game.log"; exit 1; }
grep -q "\[dialog\] Online Scores | Your score uploaded! Do you want to check if you got on the list? | Yes" "$out/game.log" || {
  echo "the upload did not finish with its question"; cat "$out/game.log"; exit 1; }
[ "$(cat "$out/opened-url.txt" 2>/dev/null)" = "$base/index2.php?game=9" ] || {
  echo "the game did not open the score page"; cat "$out/opened-url.txt" 2>/dev/null; exit 1; }

page_url="$(cat "$out/opened-url.txt")"
curl -sf "$page_url" > "$out/page.html" || { echo "the score page did not answer"; exit 1; }
rows=$(grep -c '^<tr><td class="n">' "$out/page.html" || true)
[ "$rows" -eq 10 ] || { echo "the page lists $rows entries, not 10"; cat "$out/page.html"; exit 1; }
grep -q "Uploads so far: 1<" "$out/page.html" || { echo "the upload was not counted once"; exit 1; }
expected=("Ace Pilot" "Tom and Jerry" "&lt;b&gt;Bold&lt;/b&gt;" $'Zo\xC3\xAB' "O&#39;Neil &quot;Ace&quot;"
          "Nova" "Kestrel" "Vex" "Ida" "Rook")
for place in $(seq 10); do
  name="${expected[$((place - 1))]}"
  score=$((1100 - place * 100))
  grep -qF "<tr><td class=\"n\">$place</td><td>$name</td><td class=\"n\">$score</td>" "$out/page.html" || {
    echo "place $place is not \"$name\" with $score"; cat "$out/page.html"; exit 1; }
done

xvfb-run -a chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$out/chromium" --window-size=800,900 \
  --screenshot="$out/page.png" "$page_url" > "$out/chromium.log" 2>&1 || true
[ -s "$out/page.png" ] || { echo "headless Chromium made no screenshot"; tail -20 "$out/chromium.log"; exit 1; }
colours=$(convert "$out/page.png" -format %c histogram:info:-)
grep -qi "#260F82" <<< "$colours" || { echo "the screenshot does not show the score page"; exit 1; }
grep -qi "#0B0630" <<< "$colours" || { echo "the screenshot shows no table"; exit 1; }

kill -TERM "$server_pid"
wait "$server_pid" || { echo "the score server did not stop cleanly"; cat "$out/server.log"; exit 1; }
server_pid=""
grep -q "vortex-scores: stopped" "$out/server.log" || { echo "the score server did not say it stopped"; exit 1; }
echo "online loop: ten places uploaded, counted once, listed escaped on the page; screenshot in $out/page.png"
