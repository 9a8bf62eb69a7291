#!/usr/bin/env bash
# The game under Xvfb at the menu, in a run and in a modal dialogue: when the
# X server ends under it, it exits within 2 s with a non-zero status and one
# line on standard error; SIGTERM ends it within 2 s at each of those screens.
# Without any display it ends at once with the reason.
source "$(dirname "$0")/lib.sh"
game="$VR_BIN/VortexRaiders"
export VORTEX_SCORE_SERVER="http://127.0.0.1:9"  # nothing listens: U shows a message box

# Presses U until the box saying so is up (a key pressed before the window has the focus is lost).
press_u() { e2e_key u; E2E_TIMEOUT=2 e2e_until e2e_viewable VortexRaiders 2>/dev/null; }

# scenario SCREEN ENDING: SCREEN is menu, run or dialogue; ENDING is x-server
# (the X server is killed) or sigterm (the game gets SIGTERM).
scenario() {
  local screen="$1" ending="$2" name log t0 ms
  name="$([ "$ending" = x-server ] && echo lost-display || echo sigterm)-at-$screen"
  log="$OUT/$name.log"
  e2e_display
  e2e_start "$name" "$game"
  e2e_window "$VR_GAME_CAPTION"
  e2e_move 231 251
  e2e_wait_menu "$OUT/$name.png"
  case "$screen" in
    run) e2e_start_run "$OUT/$name.png" "$OUT/$name-run.png" ;;
    dialogue) E2E_TIMEOUT=8 e2e_until press_u || e2e_fail "$name: no message box after U" ;;
  esac
  t0=$(e2e_now_ms)
  if [ "$ending" = x-server ]; then e2e_display_stop; else kill -TERM "$PID"; fi
  E2E_TIMEOUT=2 e2e_wait_exit || true
  ms=$(($(e2e_now_ms) - t0))
  echo "$name: status $STATUS after $ms ms; standard error: $(cat "$log")"
  [ "$STATUS" != running ] && [ "$ms" -le 2000 ] || e2e_fail "$name: the game did not end within 2 s"
  if [ "$ending" = x-server ]; then
    [ "$STATUS" -ne 0 ] || e2e_fail "$name: status 0 after losing the display"
    [ "$(wc -l < "$log")" -eq 1 ] && grep -q "the display :[0-9]* has gone away" "$log" ||
      e2e_fail "$name: standard error is not the one line about the display"
  fi
}

# Without any display the game says so and ends, instead of running unseen.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 10 "$game" > /dev/null 2> "$OUT/no-display.log" || status=$?
echo "no display: status $status; standard error: $(cat "$OUT/no-display.log")"
[ "$status" -eq 1 ] && grep -q "no display is available" "$OUT/no-display.log" ||
  e2e_fail "no display: the game did not end with status 1 and the reason"
for screen in menu run dialogue; do
  scenario "$screen" x-server
  scenario "$screen" sigterm
done
