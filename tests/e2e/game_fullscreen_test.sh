#!/usr/bin/env bash
# --fullscreen on a 3840 x 2160 screen: the 468 x 502 picture at 4x, centred
# on black; a real click at the scaled centre starts a run, the pointer stays
# in the field, the pilot flies the run to its end (the end-of-run dialogues
# answered from a script) and then presses Escape.
set -euo pipefail
game="$1"
out="$2"
mkdir -p "$out"
rm -rf "$out/xdg" "$out/config" "$out"/*.png "$out"/*.txt
export XDG_DATA_HOME="$out/xdg" XDG_CONFIG_HOME="$out/config" SDL_AUDIODRIVER=dummy
printf 'Pilot\nPilot\nOK\nOK\n' > "$out/answers.txt"
export VR_DIALOG_SCRIPT="$out/answers.txt"
export GAME="$game" OUT="$out" WAIT="$(dirname "$0")/wait_for_window.sh"
timeout 120 xvfb-run -a -s "-screen 0 3840x2160x24" bash -c '
  set -eu
  xdotool mousemove 5 5
  # The pilot waits on the menu (400 frames) so that the real click starts the run.
  "$GAME" --fullscreen --autopilot --pilot-wait 400 > "$OUT/game.log" 2>&1 & pid=$!
  "$WAIT" "Vortex Raiders v1.3.21  [2004-12-27]" "$OUT/info.txt"
  sleep 1.5
  import -window root "$OUT/menu.png"
  xdotool mousemove $((984 + 4 * 231 + 2)) $((76 + 4 * 251 + 2)); sleep 0.3
  xdotool click 1; sleep 0.8
  import -window root "$OUT/run.png"
  for push in "-5000 -5000" "10000 10000" "-10000 0" "0 -10000"; do
    xdotool mousemove_relative -- $push; sleep 0.2
    xdotool getmouselocation --shell | tr "\n" " " >> "$OUT/pointer.txt"; echo >> "$OUT/pointer.txt"
  done
  for i in $(seq 900); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  wait $pid; echo "exit status $?" > "$OUT/exit.txt"
'
cat "$out/exit.txt"
grep -q "exit status 0" "$out/exit.txt" || { echo "the game did not end with status 0"; cat "$out/game.log"; exit 1; }
grep -E "Width|Height|Absolute" "$out/info.txt"
grep -q "Width: 3840" "$out/info.txt" && grep -q "Height: 2160" "$out/info.txt" || { echo "the window does not fill the screen"; exit 1; }
# 4 x 468 = 1872 and 4 x 502 = 2008, centred: the picture starts at (984, 76).
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }
for at in "0 0" "983 1000" "2856 1000" "1500 75" "1500 2084" "3839 2159"; do
  [ "$(pixel "$out/menu.png" $at)" = "srgb(0,0,0)" ] || { echo "the margin at $at is not black"; exit 1; }
done
[ "$(pixel "$out/menu.png" 984 76)" = "srgb(38,15,130)" ] && [ "$(pixel "$out/menu.png" 2855 2083)" = "srgb(38,15,130)" ] || {
  echo "the window background does not span 984..2855 x 76..2083"; exit 1; }
# Every field pixel is a whole 4 x 4 block.
convert "$out/menu.png" -crop 1200x2000+1308+80 +repage "$out/field.png"
convert "$out/field.png" -sample 25% -sample 400% "$out/field-blocks.png"
[ "$(compare -metric AE "$out/field.png" "$out/field-blocks.png" null: 2>&1 || true)" = 0 ] || {
  echo "the field is not drawn in aligned 4 x 4 blocks"; exit 1; }
[ "$(pixel "$out/menu.png" $((984 + 4 * 231)) $((76 + 4 * 46)))" != "$(pixel "$out/run.png" $((984 + 4 * 231)) $((76 + 4 * 46)))" ] || {
  echo "the click did not start a run"; exit 1; }
while read -r line; do
  eval "$line"
  if [ "$X" -lt 1308 ] || [ "$X" -gt 2507 ] || [ "$Y" -lt 80 ] || [ "$Y" -gt 2067 ]; then
    echo "the pointer left the scaled field: $line"; exit 1
  fi
done < "$out/pointer.txt"
grep -Eq "\[dialog\] Congratulations \| Enter your name:.* \| Pilot" "$out/game.log" || { echo "the run did not end in the table"; cat "$out/game.log"; exit 1; }
grep -q "pilot: 1 run(s) played" "$out/game.log" || { echo "the pilot did not finish"; exit 1; }
echo "full screen: 4x centred on black, a real click starts the run, the pointer held, the run ends and Escape quits"
