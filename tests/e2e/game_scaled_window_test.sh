#!/usr/bin/env bash
# The game on a 3840 x 2160 screen: --scale auto opens a 4x window whose menu
# table, scaled back down, is the scale-1 picture; a real click at the scaled
# centre starts a run; the pointer cannot leave the scaled field during it;
# the scale is remembered for the next start and a new --scale wins.
set -euo pipefail
game="$1"
out="$2"
mkdir -p "$out"
rm -rf "$out/xdg" "$out/config" "$out"/*.png "$out"/*.txt
export XDG_DATA_HOME="$out/xdg" XDG_CONFIG_HOME="$out/config" SDL_AUDIODRIVER=dummy
export GAME="$game" OUT="$out" WAIT="$(dirname "$0")/wait_for_window.sh"
timeout 120 xvfb-run -a -s "-screen 0 3840x2160x24" bash -c '
  set -eu
  caption="Vortex Raiders v1.3.21  [2004-12-27]"
  start() {  # options...; leaves the window in $OUT/info.txt and X, Y, W, H
    "$GAME" "$@" >> "$OUT/game.log" 2>&1 & pid=$!
    "$WAIT" "$caption" "$OUT/info.txt"
    X=$(sed -n "s/.*Absolute upper-left X: *//p" "$OUT/info.txt"); Y=$(sed -n "s/.*Absolute upper-left Y: *//p" "$OUT/info.txt")
    W=$(sed -n "s/.*Width: *//p" "$OUT/info.txt"); H=$(sed -n "s/.*Height: *//p" "$OUT/info.txt")
    echo "$* -> ${W}x${H} at $X,$Y" >> "$OUT/windows.txt"
  }
  quit() {
    xdotool key Escape
    for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    wait $pid; echo "exit status $?" >> "$OUT/exit.txt"
  }
  # The pointer goes below the table (field pixel 150, 450), and the \"Click\" label with it.
  start; sleep 1
  xdotool mousemove $((X + 231)) $((Y + 451)); sleep 0.5
  import -window root -crop 300x271+$((X + 81))+$((Y + 121)) +repage "$OUT/table-1x.png"
  quit
  start --scale auto; sleep 1
  xdotool mousemove $((X + 4 * 231 + 2)) $((Y + 4 * 451 + 2)); sleep 0.5
  import -window root "$OUT/menu-4x.png"
  convert "$OUT/menu-4x.png" -crop 1200x1084+$((X + 4 * 81))+$((Y + 4 * 121)) +repage -sample 25% "$OUT/table-4x-down.png"
  # A click at the centre of the scaled field (field pixel 150, 250).
  xdotool mousemove $((X + 4 * 231 + 2)) $((Y + 4 * 251 + 2)); sleep 0.3
  xdotool click 1; sleep 0.8
  import -window root "$OUT/run-4x.png"
  echo "$X $Y" > "$OUT/origin.txt"
  # Pushes past every edge and corner, the corners from their opposites too.
  for push in "5000 0" "-10000 0" "0 -5000" "0 10000" "-5000 -5000" "10000 10000" "-10000 0" "10000 -10000" "-10000 10000"; do
    xdotool mousemove_relative -- $push; sleep 0.2
    xdotool getmouselocation --shell | tr "\n" " " >> "$OUT/pointer.txt"; echo >> "$OUT/pointer.txt"
  done
  quit
  start; sleep 0.5; quit                 # remembered: auto again
  start --scale 2; sleep 0.5; quit      # the command line wins, and is remembered
'
cat "$out/windows.txt"
[ "$(grep -c "exit status 0" "$out/exit.txt")" = 4 ] || { echo "Escape did not end every start with status 0"; cat "$out/game.log"; exit 1; }
expected=("-> 468x502" "--scale auto -> 1872x2008" "-> 1872x2008" "--scale 2 -> 936x1004")
for i in 0 1 2 3; do
  sed -n "$((i + 1))p" "$out/windows.txt" | grep -q -- "${expected[$i]} at" || {
    echo "start $((i + 1)): expected a window ${expected[$i]}"; exit 1; }
done
grep -q "Scale=2" "$out/config/vortex-raiders/settings.ini" || { echo "the settings file does not hold --scale 2"; exit 1; }
diff_pixels=$(compare -metric AE "$out/table-1x.png" "$out/table-4x-down.png" null: 2>&1 || true)
[ "$diff_pixels" = 0 ] || { echo "the 4x table scaled down differs from the 1x table in $diff_pixels pixels"; exit 1; }
read -r X Y < "$out/origin.txt"
pixel() { convert "$1" -format "%[pixel:p{$(($X + 4 * $2)),$(($Y + 4 * $3))}]" info:; }
[ "$(pixel "$out/menu-4x.png" 231 46)" != "$(pixel "$out/run-4x.png" 231 46)" ] || { echo "the click did not start a run"; exit 1; }
left=$((X + 4 * 81)); right=$((X + 4 * 381 - 1)); top=$((Y + 4)); bottom=$((Y + 4 * 498 - 1))
while read -r line; do
  eval "$line"
  if [ "$X" -lt "$left" ] || [ "$X" -gt "$right" ] || [ "$Y" -lt "$top" ] || [ "$Y" -gt "$bottom" ]; then
    echo "the pointer left the scaled field: $line (field $left..$right x $top..$bottom)"; exit 1
  fi
done < "$out/pointer.txt"
echo "scaled window: 4x size, the table as at 1x, a real click starts a run, the pointer held in the field, the scale remembered"
