#!/usr/bin/env bash
# The whole online loop under Xvfb: a score server on a free loopback port, the
# game with a ten-place table presses U and uploads, answers Yes to open the
# page; the page lists the ten places, escaped; headless Chromium shoots it.
#   score_upload_test.sh SERVER TOP10_FIXTURE
source "$(dirname "$0")/lib.sh"
server="$1"
"$2" > /dev/null  # the ten-place Top10.ini

e2e_start server "$server" --port 0 --data "$OUT/scores"
server_pid=$PID
e2e_wait_log "$OUT/server.log" "listening on http://127.0.0.1:[0-9]+ "
port=$(sed -n "s|.*listening on http://127.0.0.1:\([0-9]*\) .*|\1|p" "$OUT/server.log")
base="http://127.0.0.1:$port"
export VORTEX_SCORE_SERVER="$base"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" > "%s/opened-url.txt"\n' "$OUT" > "$OUT/open-url.sh"
chmod +x "$OUT/open-url.sh"
export VR_URL_OPENER="$OUT/open-url.sh"
printf 'Yes\n' > "$OUT/answers.txt"
export VR_DIALOG_SCRIPT="$OUT/answers.txt"

e2e_display
e2e_start game "$VR_BIN/VortexRaiders"
e2e_window "$VR_GAME_CAPTION"
e2e_move 231 251
e2e_key u
# Ten requests, 0.4 s apart, then the question; the opener records the page.
E2E_TIMEOUT=30 e2e_until test -s "$OUT/opened-url.txt" || true
e2e_escape
grep -q "\[dialog\] Online Scores | Your score uploaded! Do you want to check if you got on the list? | Yes" "$OUT/game.log" ||
  e2e_fail "the upload did not finish with its question"
page_url="$(cat "$OUT/opened-url.txt" 2>/dev/null || true)"
[ "$page_url" = "$base/index2.php?game=9" ] || e2e_fail "the game did not open the score page: $page_url"

curl -sf "$page_url" > "$OUT/page.html" || e2e_fail "the score page did not answer"
rows=$(grep -c '^<tr><td class="n">' "$OUT/page.html" || true)
[ "$rows" -eq 10 ] || { cat "$OUT/page.html"; e2e_fail "the page lists $rows entries, not 10"; }
grep -q "Uploads so far: 1<" "$OUT/page.html" || e2e_fail "the upload was not counted once"
expected=("Ace Pilot" "Tom and Jerry" "&lt;b&gt;Bold&lt;/b&gt;" $'Zo\xC3\xAB' "O&#39;Neil &quot;Ace&quot;"
          "Nova" "Kestrel" "Vex" "Ida" "Rook")
for place in $(seq 10); do
  name="${expected[$((place - 1))]}"
  score=$((1100 - place * 100))
  grep -qF "<tr><td class=\"n\">$place</td><td>$name</td><td class=\"n\">$score</td>" "$OUT/page.html" ||
    { cat "$OUT/page.html"; e2e_fail "place $place is not \"$name\" with $score"; }
done

env -u DISPLAY chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$OUT/chromium" --window-size=800,900 \
  --screenshot="$OUT/page.png" "$page_url" > "$OUT/chromium.txt" 2>&1 || true
[ -s "$OUT/page.png" ] || { tail -20 "$OUT/chromium.txt"; e2e_fail "headless Chromium made no screenshot"; }
e2e_has_colour "$OUT/page.png" "#260F82" || e2e_fail "the screenshot does not show the score page"
e2e_has_colour "$OUT/page.png" "#0B0630" || e2e_fail "the screenshot shows no table"

kill -TERM "$server_pid"
e2e_wait_exit "$server_pid"
[ "$STATUS" = 0 ] || e2e_fail "the score server did not stop cleanly"
grep -q "vortex-scores: stopped" "$OUT/server.log" || e2e_fail "the score server did not say it stopped"
echo "online loop: ten places uploaded, counted once, listed escaped on the page; screenshot in $OUT/page.png"
