#!/usr/bin/env bash
# A client of the engine under Xvfb: its sprites on the real screen where the
# values place them, and its own screenshot file matching the screen.
set -euo pipefail
client="$1"
out="$2"
rm -rf "$out"
mkdir -p "$out"
export XDG_DATA_HOME="$out/xdg" SDL_AUDIODRIVER=dummy
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -eu
  out="'"$out"'"
  "'"$client"'" "$out" 150 > "$out/client.log" 2>&1 & pid=$!
  "'"$(dirname "$0")"'/wait_for_window.sh" "Korva2D sprites" "$out/xwininfo.txt"
  sleep 1
  import -window root "$out/screen.png"
  wait $pid; echo "exit status $?" > "$out/exit.txt"
'
grep -q "exit status 0" "$out/exit.txt" || { echo "the client failed"; cat "$out/client.log"; exit 1; }
X=$(sed -n "s/.*Absolute upper-left X: *//p" "$out/xwininfo.txt")
Y=$(sed -n "s/.*Absolute upper-left Y: *//p" "$out/xwininfo.txt")
pixel() { convert "$1" -format "%[pixel:p{$(($2)),$(($3))}]" info:; }
fail=0
check() {  # what, x, y (back-buffer pixels), expected colour
  local got
  got=$(pixel "$out/screen.png" "X + $2" "Y + $3")
  if [ "$got" != "$4" ]; then echo "FAIL $1 at ($2, $3): $got, expected $4"; fail=1; else echo "ok   $1"; fi
}
red="srgb(255,0,0)"; green="srgb(0,255,0)"; blue="srgb(0,0,255)"; yellow="srgb(255,255,0)"; back="srgb(40,40,40)"
check "plain: red top-left at (50, 50)" 50 50 "$red"
check "plain: yellow bottom-right at (81, 81)" 81 81 "$yellow"
check "plain: nothing left of X" 49 50 "$back"
check "turned 90: green moved to the top-left" 150 50 "$green"
check "turned 90: red moved to the bottom-left" 150 81 "$red"
check "scaled to 64: yellow at (313, 113)" 313 113 "$yellow"
check "scaled to 64: ends at x = 314" 314 113 "$back"
check "source x 16: green first" 400 50 "$green"
check "source x 16: 16 wide" 416 50 "$back"
check "black ambient" 600 50 "srgb(0,0,0)"
check "colour key: the middle shows the background" 66 166 "$back"
check "colour key: the red texels stay" 50 150 "$red"
half=$(pixel "$out/screen.png" "X + 500" "Y + 50")
case "$half" in srgb\(14[6-9],2[0-2],2[0-2]\)) echo "ok   half transparent: $half" ;; *) echo "FAIL half transparent: $half"; fail=1 ;; esac
# The engine's own screenshot: a BMP of the window's size showing the same frame.
identify "$out/screenshot001.bmp" | grep -q "BMP.* 800x600 " || { echo "FAIL screenshot001.bmp is not an 800 x 600 BMP"; identify "$out/screenshot001.bmp"; fail=1; }
for p in "50 50" "150 81" "66 166" "313 113"; do
  set -- $p
  [ "$(pixel "$out/screenshot001.bmp" "$1" "$2")" = "$(pixel "$out/screen.png" "X + $1" "Y + $2")" ] || { echo "FAIL screenshot differs at $p"; fail=1; }
done
exit $fail
