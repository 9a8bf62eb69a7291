#!/usr/bin/env bash
# An installed game started from elsewhere finds its art and creates its
# library's classes from its own manifest (the user's registry is empty); the
# start then stops at the window, for a video driver that does not exist, with
# its box answered by a script and status 1.
#   game_reaches_window.sh PROGRAM LOG
set -euo pipefail
program="$1"
log="$2"
work="$(mktemp -d /tmp/vr-game-start.XXXXXX)"
trap 'rm -rf "$work"' EXIT
printf 'OK\n' > "$work/answers"
status=0
(cd "$work" && env -u LD_LIBRARY_PATH -u DISPLAY XDG_DATA_HOME="$work/xdg" VR_COM_REGISTRY="$work/none.ini" \
  VR_DIALOG_SCRIPT="$work/answers" SDL_VIDEODRIVER=no-such-driver SDL_AUDIODRIVER=dummy "$program") > "$log" 2>&1 \
  || status=$?
if [ "$status" != 1 ] || ! grep -q "Cannot open the game window" "$log"; then
  cat "$log"
  echo "$program did not get as far as its window (status $status)"
  exit 1
fi
