#!/usr/bin/env bash
# A recorded run, proved and watched again: the pilot plays a run, its top-ten
# entry keeps the replay, --verify prints the run's score and refuses a
# changed replay, and --replay shows the run frame for frame as it was played.
source "$(dirname "$0")/lib.sh"
printf "Pilot\n%.0s" {1..4} > "$OUT/answers.txt"
export VR_DIALOG_SCRIPT="$OUT/answers.txt"
e2e_display 800x600
e2e_start game "$VR_BIN/VortexRaiders" --autopilot --pilot-shots "$OUT" --shot-at 100
E2E_TIMEOUT=200 e2e_wait_exit
e2e_check "the pilot's session ends with status 0" [ "$STATUS" = 0 ]

system="$XDG_DATA_HOME/vrplatform/system"
store="$system/Top10-replays"
replay="$store/$(awk '$1 == 1 { print $2 }' "$store/index")"
e2e_check "the first place keeps its run's replay" [ -s "$replay" ]
score=$(sed -n 's/.*You are: 1\. with \([0-9]*\) points.*/\1/p' "$OUT/game.log" | head -n 1)
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
E2E_TIMEOUT=120 e2e_wait_log "$OUT/viewer.log" "the replay is over"
e2e_check "the replay's frame 100 is the run's frame 100" \
  [ "$(WX=0 WY=0 e2e_pixels_differ "$OUT/frame-100.png" "$OUT/replay/frame-100.png" 0 0 468 502)" = 0 ]
e2e_check "the replay's frame 100 is not the menu after the run" \
  e2e_not cmp -s "$OUT/replay/frame-100.png" "$OUT/pilot-menu-after-run.png"
e2e_escape
e2e_check "the replay leaves the table alone" cmp "$system/Top10.ini" "$OUT/Top10-before-replay.ini"
e2e_done
