#!/usr/bin/env bash
# korva2d-demo under Xvfb: its first screenshot shows the sprites, both kinds
# of text and the input panel; keys held and pointer moves from xdotool show
# in the input panel of the next one; F12 saves the engine's own screenshot;
# --frames N ends by itself with status 0.
#   demo_test.sh DEMO SAMPLES_FOLDER OUT
set -euo pipefail
demo="$1"
samples="$2"
out="$3"
rm -rf "$out"
mkdir -p "$out"
cp -r "$samples" "$out/assets"
export XDG_DATA_HOME="$out/xdg" SDL_AUDIODRIVER=dummy
here="$(cd "$(dirname "$0")" && pwd)"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -eu
  out="'"$out"'"
  "'"$demo"'" --folder "$out/assets" --frames 480 > "$out/demo.log" 2>&1 & pid=$!
  "'"$here"'/wait_for_window.sh" "Korva2D demo" "$out/xwininfo.txt"
  X=$(sed -n "s/.*Absolute upper-left X: *//p" "$out/xwininfo.txt")
  Y=$(sed -n "s/.*Absolute upper-left Y: *//p" "$out/xwininfo.txt")
  echo "$X $Y" > "$out/origin.txt"
  sleep 1.5
  import -window root "$out/first.png"
  xdotool mousemove $((X + 300)) $((Y + 200)); sleep 0.2
  xdotool keydown a keydown Left mousedown 1; sleep 0.4
  import -window root "$out/held.png"
  xdotool keydown F12; sleep 0.2; xdotool keyup F12; sleep 0.2
  xdotool mouseup 1 keyup Left keyup a
  wait $pid; echo "exit status $?" > "$out/exit.txt"
'
grep -q "exit status 0" "$out/exit.txt" || { echo "FAIL: the demo did not end with status 0"; cat "$out/demo.log"; exit 1; }
read -r X Y < "$out/origin.txt"
fail=0
# Distinct colours in a region of the window (x, y, w, h) of a screenshot.
colours() { convert "$1" -crop "$4x$5+$((X + $2))+$((Y + $3))" +repage -format %k info:; }
differs() { [ "$(convert "$1" "$2" -crop "$5x$6+$((X + $3))+$((Y + $4))" +repage -metric AE -compare -format %[distortion] info: 2>/dev/null || true)" != "0" ]; }
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi; }
check "sprites: the planet is drawn" '[ "$(colours "$out/first.png" 580 110 120 120)" -gt 200 ]'
check "bitmap font: the title is drawn" '[ "$(colours "$out/first.png" 230 10 340 40)" -gt 20 ]'
check "system fonts: the boxes hold text" '[ "$(colours "$out/first.png" 20 445 500 80)" -gt 20 ]'
check "the input panel is drawn" '[ "$(colours "$out/first.png" 565 365 215 160)" -gt 20 ]'
check "keys held show in the input panel" 'differs "$out/first.png" "$out/held.png" 570 388 210 34'
check "the pointer position shows in the input panel" 'differs "$out/first.png" "$out/held.png" 570 424 210 18'
check "the left button shows in the input panel" 'differs "$out/first.png" "$out/held.png" 570 444 70 24'
shots=$(ls "$out/assets"/screenshot*.bmp 2>/dev/null | wc -l)
check "F12 and the end of --frames saved two screenshots" '[ "$shots" -eq 2 ]'
check "the screenshot is the window" 'identify "$out/assets/screenshot001.bmp" | grep -q " 800x600 "'
exit $fail
