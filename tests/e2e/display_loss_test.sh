#!/usr/bin/env bash
# The game under Xvfb at the menu, in a run and in a modal dialogue: when the
# X server ends under it, it exits within 2 s with a non-zero status and one
# line on standard error; SIGTERM ends it within 2 s at each of those screens.
# Without any display it ends at once with the reason.
#   display_loss_test.sh GAME OUT
set -euo pipefail
game="$1"
out="$2"
mkdir -p "$out"
rm -rf "$out/xdg" "$out"/*.log "$out"/*.txt
export XDG_DATA_HOME="$out/xdg" SDL_AUDIODRIVER=dummy
export VORTEX_SCORE_SERVER="http://127.0.0.1:9"  # nothing listens: U shows a message box
here="$(dirname "$0")"
caption="Vortex Raiders v1.3.21  [2004-12-27]"

# scenario NAME SCREEN ENDING: SCREEN is menu, run or dialogue; ENDING is
# x-server (the X server is killed) or sigterm (the game gets SIGTERM).
scenario() {
  local name="$1" screen="$2" ending="$3"
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    out="'"$out"'"; name="'"$name"'"
    "'"$game"'" 2> "$out/$name.log" > /dev/null & pid=$!
    "'"$here"'/wait_for_window.sh" "'"$caption"'" "$out/$name-window.txt" > /dev/null || exit 1
    X=$(sed -n "s/.*Absolute upper-left X: *//p" "$out/$name-window.txt")
    Y=$(sed -n "s/.*Absolute upper-left Y: *//p" "$out/$name-window.txt")
    case "'"$screen"'" in
      run) xdotool mousemove $((X + 231)) $((Y + 251)) click 1; sleep 1 ;;
      dialogue)  # U asks a server that is not there; a key pressed before the window has the focus is lost
        xdotool mousemove $((X + 231)) $((Y + 251))
        for i in $(seq 30); do
          [ $((i % 10)) = 1 ] && xdotool key u
          sleep 0.2
          xwininfo -name VortexRaiders 2>/dev/null | grep -q IsViewable && break
        done
        xwininfo -name VortexRaiders 2>/dev/null | grep -q IsViewable || exit 1 ;;
      *) sleep 0.5 ;;
    esac
    if [ "'"$ending"'" = x-server ]; then kill $(pgrep -P $PPID -x Xvfb); else kill -TERM $pid; fi
    t0=$(date +%s%N)
    for i in $(seq 40); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
    ms=$((($(date +%s%N) - t0) / 1000000))
    if kill -0 $pid 2>/dev/null; then echo "still running after $ms ms" > "$out/$name.txt"; kill -KILL $pid; exit 0; fi
    wait $pid; echo "status $? after $ms ms" > "$out/$name.txt"
  ' || true  # xvfb-run fails when its server was killed; the result file tells
  [ -s "$out/$name.txt" ] || { echo "$name: the game did not reach the $screen"; cat "$out/$name.log"; return 1; }
  local result
  result=$(cat "$out/$name.txt")
  echo "$name: $result; standard error: $(cat "$out/$name.log")"
  read -r _ status _ ms _ <<< "$result"
  [ "$status" != running ] && [ "$ms" -le 2000 ] || { echo "$name: the game did not end within 2 s"; return 1; }
  if [ "$ending" = x-server ]; then
    [ "$status" -ne 0 ] || { echo "$name: status 0 after losing the display"; return 1; }
    [ "$(wc -l < "$out/$name.log")" -eq 1 ] && grep -q "the display :[0-9]* has gone away" "$out/$name.log" || {
      echo "$name: standard error is not the one line about the display"; return 1; }
  fi
}

failed=0
# Without any display the game says so and ends, instead of running unseen.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 10 "$game" > /dev/null 2> "$out/no-display.log" || status=$?
echo "no display: status $status; standard error: $(cat "$out/no-display.log")"
[ "$status" -eq 1 ] && grep -q "no display is available" "$out/no-display.log" || {
  echo "no display: the game did not end with status 1 and the reason"; failed=1; }
for screen in menu run dialogue; do
  scenario "lost-display-at-$screen" "$screen" x-server || failed=1
  scenario "sigterm-at-$screen" "$screen" sigterm || failed=1
done
exit $failed
