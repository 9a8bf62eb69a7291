#!/usr/bin/env bash
# The game under Xvfb with real input from xdotool: the window's caption and
# client size, the menu screenshot, a click that starts a run, Enter, Escape.
set -euo pipefail
game="$1"
out="$2"
mkdir -p "$out"
rm -rf "$out/xdg"
export XDG_DATA_HOME="$out/xdg" SDL_AUDIODRIVER=dummy
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -eu
  out="'"$out"'"
  "'"$game"'" > "$out/game.log" 2>&1 & pid=$!
  "'"$(dirname "$0")"'/wait_for_window.sh" "Vortex Raiders v1.3.21  [2004-12-27]" "$out/xwininfo.txt"
  sleep 1.5
  import -window root "$out/menu.png"
  X=$(sed -n "s/.*Absolute upper-left X: *//p" "$out/xwininfo.txt")
  Y=$(sed -n "s/.*Absolute upper-left Y: *//p" "$out/xwininfo.txt")
  fx=$((X + 81 + 150)); fy=$((Y + 1 + 250))
  xdotool mousemove "$fx" "$fy"; sleep 0.3
  xdotool click 1; sleep 0.8
  import -window root "$out/run.png"
  xdotool key Return; sleep 0.5
  import -window root "$out/restart.png"
  xdotool key Escape
  for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  wait $pid; echo "exit status $?" > "$out/exit.txt"
  echo "$X $Y" > "$out/origin.txt"
'
cat "$out/exit.txt"
grep -q "exit status 0" "$out/exit.txt" || { echo "Escape did not end the game with status 0"; cat "$out/game.log"; exit 1; }
grep -q "\"Vortex Raiders v1.3.21  \[2004-12-27\]\"" "$out/xwininfo.txt" || { echo "wrong caption"; cat "$out/xwininfo.txt"; exit 1; }
grep -q "Width: 468" "$out/xwininfo.txt" && grep -q "Height: 502" "$out/xwininfo.txt" || { echo "wrong client size"; cat "$out/xwininfo.txt"; exit 1; }
read -r X Y < "$out/origin.txt"
pixel() { convert "$1" -format "%[pixel:p{$(($X + $2)),$(($Y + $3))}]" info:; }
# The menu backdrop's title is yellow-orange around (150, 45) of the field; in a run it is black space.
menu_title=$(pixel "$out/menu.png" 231 60)
run_title=$(pixel "$out/run.png" 231 60)
echo "menu title pixel: $menu_title, run pixel: $run_title, window background: $(pixel "$out/menu.png" 40 250)"
[ "$(pixel "$out/menu.png" 40 250)" = "srgb(38,15,130)" ] || { echo "the window background is wrong"; exit 1; }
[ "$menu_title" != "$run_title" ] || { echo "the click did not start a run"; exit 1; }
colours=$(convert "$out/menu.png" -format %c histogram:info:-)
grep -qi "#D8FFFE" <<< "$colours" || { echo "the table header is not on the menu"; exit 1; }
echo "game window: caption, size, menu, run start, restart and Escape are right"
