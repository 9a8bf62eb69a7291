#!/usr/bin/env bash
# Recorded runs, proved and watched again. The pilot plays a session: its
# top-ten entry keeps the replay, --verify prints the run's score (and that
# the autopilot drove it) and refuses changed replays (an event moved, the
# state hashes dropped, the names replaced), and --replay shows the run frame
# for frame as it was played. Then online: a score server refuses the
# autopilot's run; a run played with the real pointer, posted by the game
# after U, is marked verified on the page; a score typed into a request and a
# replay with one event changed stay not verified.
#   game_replay_test.sh SERVER REPLAY_TAMPER
source "$(dirname "$0")/lib.sh"
server="$1"
tamper="$2"
printf "Pilot\n%.0s" {1..8} > "$OUT/answers.txt"
export VR_DIALOG_SCRIPT="$OUT/answers.txt"
e2e_display 800x600
# Two runs, so that one of them surely scores (a run without a point earns no place).
e2e_start game "$VR_BIN/VortexRaiders" --autopilot --pilot-runs 2 --pilot-shots "$OUT" --shot-at 100
E2E_TIMEOUT=200 e2e_wait_exit
e2e_check "the pilot's session ends with status 0" [ "$STATUS" = 0 ]

system="$XDG_DATA_HOME/vrplatform/system"
store="$system/Top10-replays"
replay="$store/$(awk '$1 == 1 { print $2 }' "$store/index")"
e2e_check "the first place keeps its run's replay" [ -s "$replay" ]
score=$(sed -n 's/.*You are: 1\. with \([0-9]*\) points.*/\1/p' "$OUT/game.log" | tail -n 1)  # the last leader
"$VR_BIN/VortexRaiders" --verify "$replay" > "$OUT/verify.txt" 2>&1 || true
e2e_check "--verify proves the run's score ($score)" grep -qx "score $score" "$OUT/verify.txt"
e2e_check "and says the autopilot drove it" grep -qx "driven-by the autopilot" "$OUT/verify.txt"

cp "$replay" "$OUT/changed.vrr"
byte=$(od -An -tu1 -j 200 -N 1 "$OUT/changed.vrr" | tr -d ' ')
printf "$(printf '\\%03o' $((byte ^ 1)))" | dd of="$OUT/changed.vrr" bs=1 seek=200 conv=notrunc 2> /dev/null
e2e_check "--verify refuses a changed replay" e2e_not "$VR_BIN/VortexRaiders" --verify "$OUT/changed.vrr"
"$VR_BIN/VortexRaiders" --verify "$OUT/changed.vrr" 2> "$OUT/refused.txt" || true
e2e_check "and says why" grep -q "is refused: " "$OUT/refused.txt"
"$tamper" strip "$replay" "$OUT/stripped.vrr" || e2e_fail "the replay's hashes could not be dropped"
"$VR_BIN/VortexRaiders" --verify "$OUT/stripped.vrr" 2> "$OUT/stripped.txt" || true
e2e_check "--verify refuses a replay without its state hashes" grep -q "lacks the state hash" "$OUT/stripped.txt"
"$tamper" rename Thief "$replay" "$OUT/renamed.vrr" || e2e_fail "the replay could not be renamed"
"$VR_BIN/VortexRaiders" --verify "$OUT/renamed.vrr" 2> "$OUT/renamed.txt" || true
e2e_check "--verify refuses the run under another name" grep -q "departs from its recording" "$OUT/renamed.txt"

cp "$system/Top10.ini" "$OUT/Top10-before-replay.ini"
mkdir -p "$OUT/replay"
e2e_start viewer "$VR_BIN/VortexRaiders" --replay "$replay" --pilot-shots "$OUT/replay" --shot-at 100
e2e_window "$VR_GAME_CAPTION"
E2E_TIMEOUT=120 e2e_until test -s "$OUT/replay/frame-100.png"  # Escape ends the replay from there
e2e_check "the replay's frame 100 is the run's frame 100" \
  [ "$(WX=0 WY=0 e2e_pixels_differ "$OUT/frame-100.png" "$OUT/replay/frame-100.png" 0 0 468 502)" = 0 ]
e2e_check "the replay's frame 100 is not the menu after the run" \
  e2e_not cmp -s "$OUT/replay/frame-100.png" "$OUT/pilot-menu-after-run.png"
e2e_escape
e2e_check "the replay leaves the table alone" cmp "$system/Top10.ini" "$OUT/Top10-before-replay.ini"

e2e_start server "$server" --port 0 --data "$OUT/scores" --verify-memory "$VR_VERIFY_MEMORY"
server_pid=$PID
e2e_wait_log "$OUT/server.log" "listening on http://127.0.0.1:[0-9]+ "
port=$(sed -n "s|.*listening on http://127.0.0.1:\([0-9]*\) .*|\1|p" "$OUT/server.log")
base="http://127.0.0.1:$port"
upload="$base/files/games/vortexraiders/score.php"
replays="$base/files/games/vortexraiders/replay.php"
page() { curl -sf "$base/index2.php?game=9${1:-}"; }
# The row of a name and score on the page, and its mark.
row() { page | grep -F "<td>$1</td><td class=\"n\">$2</td>"; }
marked() { row "$1" "$2" | grep -F "$3" > /dev/null; }  # grep -q would cut the pipe (pipefail)
# Posts a replay file; once it is verified, STATUS and ANSWER hold the outcome.
settled() { STATUS=$(curl -s -o "$OUT/answer.txt" -w "%{http_code}" "$base$1"); [ "$STATUS" != 202 ]; }
post_replay() {
  local where
  where=$(curl -s -D - -o /dev/null --data-binary @"$1" -H "Content-Type: application/octet-stream" "$replays" |
          tr -d '\r' | sed -n 's/^Location: //p')
  [ -n "$where" ] || e2e_fail "the server did not queue the replay $1"
  E2E_TIMEOUT=120 e2e_until settled "$where"
  ANSWER=$(cat "$OUT/answer.txt")
}

# Any HTTP client can list a score, and list the pilot's before the game does.
curl -sf "$upload?nname=Typed&nscore=30000&nreplay=30000" > /dev/null || e2e_fail "the server took no plain request"
curl -sf "$upload?nname=Pilot&nscore=$score&nreplay=$score" > /dev/null || e2e_fail "the server took no plain request"
post_replay "$replay"
e2e_check "the server refuses the autopilot's run ($STATUS: $ANSWER)" \
  [ "$STATUS" = 422 ] && grep -q "played by the autopilot" <<< "$ANSWER"
"$tamper" move "$replay" "$OUT/one-event.vrr" || e2e_fail "the replay could not be changed"
post_replay "$OUT/one-event.vrr"
e2e_check "the server refuses the replay with one event changed ($STATUS: $ANSWER)" [ "$STATUS" = 422 ]
e2e_check "and the pilot's entry stays not verified" marked Pilot "$score" "<td>not verified</td>"

# A person's session: a fresh player on this machine clicks the field, sweeps
# the ship from side to side with the pointer and fires with both buttons
# until the run ends and asks for a name; then U.
export VORTEX_SCORE_SERVER="$base" XDG_DATA_HOME="$OUT/person"
printf 'Person\nPerson\nNo\n' > "$OUT/person-answers.txt"
export VR_DIALOG_SCRIPT="$OUT/person-answers.txt"
e2e_start person "$VR_BIN/VortexRaiders"
e2e_window "$VR_GAME_CAPTION"
e2e_wait_menu "$OUT/person-menu.png"
e2e_start_run "$OUT/person-menu.png" "$OUT/person-run.png"
named() { grep -q "Congratulations | Enter your name" "$OUT/person.log"; }
x=140 step=23 moves=0
until named; do
  e2e_move "$x" 440
  xdotool click 1 click 3
  x=$((x + step))
  if [ "$x" -gt 420 ] || [ "$x" -lt 40 ]; then step=$((-step)); fi
  moves=$((moves + 1))
  [ "$moves" -lt 6000 ] || e2e_fail "the person's run did not end"
done
person=$(sed -n 's/.*You are: 1\. with \([0-9]*\) points.*/\1/p' "$OUT/person.log" | tail -n 1)
e2e_check "the person's run earns the first place ($person points, $moves pointer moves)" [ -n "$person" ]
e2e_move 231 251
E2E_TIMEOUT=60 e2e_until test -s "$OUT/person/vrplatform/system/Top10-replays/index"
e2e_key u
E2E_TIMEOUT=60 e2e_wait_log "$OUT/person.log" "Online Scores \| Your score uploaded" || e2e_fail "the upload did not finish"
E2E_TIMEOUT=120 e2e_until marked Person "$person" "verified (<a href=" || true
e2e_check "the person's run, posted by the game, shows as verified" marked Person "$person" "verified (<a href="
link=$(row Person "$person" | sed -n 's|.*<a href="\([^"]*\)">replay</a>.*|\1|p')
curl -sf "$base$link" -o "$OUT/downloaded.vrr" || e2e_fail "the replay link $link does not answer"
e2e_check "its replay link gives the run's replay" \
  cmp -s "$OUT/downloaded.vrr" "$OUT/person/vrplatform/system/Top10-replays/$(awk '$1 == 1 { print $2 }' "$OUT/person/vrplatform/system/Top10-replays/index")"
"$VR_BIN/VortexRaiders" --verify "$OUT/downloaded.vrr" > "$OUT/verify-downloaded.txt" 2>&1 || true
e2e_check "which --verify proves, played by a person" \
  grep -qx "score $person" "$OUT/verify-downloaded.txt" && grep -qx "driven-by a person" "$OUT/verify-downloaded.txt"
post_replay "$OUT/downloaded.vrr"
e2e_check "posted again it stays the one entry's ($STATUS: $ANSWER)" grep -q "already verified" <<< "$ANSWER"
e2e_check "the score sent only by a plain request shows as not verified" marked Typed 30000 "<td>not verified</td>"
page "&verified=1" > "$OUT/verified-only.html"
e2e_check "the verified-only page leaves it out" e2e_not grep -q Typed "$OUT/verified-only.html"
e2e_check "and lists the person's run" grep -qF "<td>Person</td><td class=\"n\">$person</td>" "$OUT/verified-only.html"
grep -q "refused: " "$OUT/server.log" || e2e_fail "the server did not log the refused replay"
e2e_escape
kill -TERM "$server_pid"
e2e_wait_exit "$server_pid"
e2e_done
