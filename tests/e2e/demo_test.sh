#!/usr/bin/env bash
# korva2d-demo under Xvfb: its first frames show the sprites, both kinds of
# text and the input panel; keys held and pointer moves from xdotool show in
# the input panel; F12 saves the engine's own screenshot; --frames N ends by
# itself with status 0.
#   demo_test.sh DEMO
source "$(dirname "$0")/lib.sh"
cp -r "$VR_BIN/korva2d-samples" "$OUT/assets"
first="$OUT/first.png" held="$OUT/held.png"
drawn() {  # region (x y w h) and the colours it holds at least
  [ "$(e2e_colour_count "$first" "$1" "$2" "$3" "$4")" -gt "$5" ]
}
shows_input() { [ "$(e2e_pixels_differ "$first" "$held" "$@")" != 0 ]; }
e2e_display
e2e_start demo "$1" --folder "$OUT/assets" --frames 360
e2e_window "Korva2D demo"
e2e_shot_until "$first" drawn 580 110 120 120 200 || true
e2e_check "sprites: the planet is drawn" drawn 580 110 120 120 200
e2e_check "bitmap font: the title is drawn" drawn 230 10 340 40 20
e2e_check "system fonts: the boxes hold text" drawn 20 445 500 80 20
e2e_check "the input panel is drawn" drawn 565 365 215 160 20
e2e_move 300 200
xdotool keydown a keydown Left mousedown 1
e2e_shot_until "$held" eval 'shows_input 570 388 210 34 && shows_input 570 424 210 18 && shows_input 570 444 70 24' || true
e2e_check "keys held show in the input panel" shows_input 570 388 210 34
e2e_check "the pointer position shows in the input panel" shows_input 570 424 210 18
e2e_check "the left button shows in the input panel" shows_input 570 444 70 24
xdotool keydown F12
e2e_until test -e "$OUT/assets/screenshot001.bmp" || true
xdotool keyup F12 mouseup 1 keyup Left keyup a
e2e_wait_exit
e2e_check "the demo ends with status 0" [ "$STATUS" = 0 ]
e2e_check "F12 and the end of --frames saved two screenshots" [ "$(ls "$OUT/assets"/screenshot*.bmp | wc -l)" -eq 2 ]
e2e_check "the screenshot is the window" eval 'identify "$OUT/assets/screenshot001.bmp" | grep -q " 800x600 "'
e2e_done
