#!/usr/bin/env bash
# A recorded run, proved and watched again: the pilot plays a run, its top-ten
# entry keeps the replay, --verify prints the run's score and refuses a
# changed replay, and --replay shows the run frame for frame as it was played.
# Then online: a score server proves the run from the replay the game posts
# after pressing U, and marks it verified on the page; a score typed into a
# request and a replay with one event changed stay not verified.
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

cp "$replay" "$OUT/changed.vrr"
byte=$(od -An -tu1 -j 200 -N 1 "$OUT/changed.vrr" | tr -d ' ')
printf "$(printf '\\%03o' $((byte ^ 1)))" | dd of="$OUT/changed.vrr" bs=1 seek=200 conv=notrunc 2> /dev/null
e2e_check "--verify refuses a changed replay" e2e_not "$VR_BIN/VortexRaiders" --verify "$OUT/changed.vrr"
"$VR_BIN/VortexRaiders" --verify "$OUT/changed.vrr" 2> "$OUT/refused.txt" || true
e2e_check "and says why" grep -q "is refused: " "$OUT/refused.txt"

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

# Any HTTP client can list a score, and list the pilot's before the game does.
curl -sf "$upload?nname=Typed&nscore=30000&nreplay=30000" > /dev/null || e2e_fail "the server took no plain request"
curl -sf "$upload?nname=Pilot&nscore=$score&nreplay=$score" > /dev/null || e2e_fail "the server took no plain request"
"$tamper" "$replay" "$OUT/one-event.vrr" || e2e_fail "the replay could not be changed"
status=$(curl -s -o "$OUT/one-event-answer.txt" -w "%{http_code}" --data-binary @"$OUT/one-event.vrr" \
  -H "Content-Type: application/octet-stream" "$replays")
e2e_check "the server refuses the replay with one event changed ($status: $(cat "$OUT/one-event-answer.txt"))" \
  [ "$status" = 422 ]
e2e_check "and its entry stays not verified" marked Pilot "$score" "<td>not verified</td>"

export VORTEX_SCORE_SERVER="$base"
printf 'No\n' > "$OUT/upload-answers.txt"
export VR_DIALOG_SCRIPT="$OUT/upload-answers.txt"
e2e_start uploader "$VR_BIN/VortexRaiders"
e2e_window "$VR_GAME_CAPTION"
e2e_move 231 251
e2e_key u
E2E_TIMEOUT=60 e2e_wait_log "$OUT/uploader.log" "Online Scores \| Your score uploaded" || e2e_fail "the upload did not finish"
E2E_TIMEOUT=120 e2e_until marked Pilot "$score" "verified (<a href=" || true
e2e_check "the pilot's run, posted by the game, shows as verified" marked Pilot "$score" "verified (<a href="
every_place_verified() {
  local place file entry_score rest
  while read -r place file entry_score rest; do marked Pilot "$entry_score" "verified (<a href=" || return 1; done < "$store/index"
}
e2e_check "every place with a replay ($(wc -l < "$store/index")) shows as verified" every_place_verified
link=$(row Pilot "$score" | sed -n 's|.*<a href="\([^"]*\)">replay</a>.*|\1|p')
curl -sf "$base$link" -o "$OUT/downloaded.vrr" || e2e_fail "the replay link $link does not answer"
# Two runs of the same name and score are one entry, proved by either replay.
one_of_the_table() { for f in "$store"/*.vrr; do cmp -s "$OUT/downloaded.vrr" "$f" && return 0; done; return 1; }
e2e_check "its replay link gives the run's replay" one_of_the_table
"$VR_BIN/VortexRaiders" --verify "$OUT/downloaded.vrr" > "$OUT/verify-downloaded.txt" 2>&1 || true
e2e_check "which --verify proves" grep -qx "score $score" "$OUT/verify-downloaded.txt"
e2e_check "the score sent only by a plain request shows as not verified" marked Typed 30000 "<td>not verified</td>"
page "&verified=1" > "$OUT/verified-only.html"
e2e_check "the verified-only page leaves it out" e2e_not grep -q Typed "$OUT/verified-only.html"
e2e_check "and lists the pilot's run" grep -qF "<td>Pilot</td><td class=\"n\">$score</td>" "$OUT/verified-only.html"
grep -q "refused: " "$OUT/server.log" || e2e_fail "the server did not log the refused replay"
e2e_escape
kill -TERM "$server_pid"
e2e_wait_exit "$server_pid"
e2e_done
