#!/usr/bin/env bash
# A client of the engine under Xvfb: its sprites on the real screen where the
# values place them, and its own screenshot file matching the screen.
#   engine_sprites_test.sh CLIENT
source "$(dirname "$0")/lib.sh"
red="srgb(255,0,0)" green="srgb(0,255,0)" yellow="srgb(255,255,0)" back="srgb(40,40,40)" black="srgb(0,0,0)"
e2e_display
e2e_start client "$1" "$OUT" 150
e2e_window "Korva2D sprites"
e2e_shot_until "$OUT/screen.png" e2e_pixel_is "$OUT/screen.png" 81 81 "$yellow" || true
while read -r x y colour what; do  # back-buffer pixels
  e2e_check "$what at ($x, $y) is $colour" e2e_pixel_is "$OUT/screen.png" "$x" "$y" "${!colour}"
done <<'TABLE'
50 50 red plain: red top-left
81 81 yellow plain: yellow bottom-right
49 50 back plain: nothing left of it
150 50 green turned 90: green moved to the top-left
150 81 red turned 90: red moved to the bottom-left
313 113 yellow scaled to 64: yellow at the far corner
314 113 back scaled to 64: ends at x = 314
400 50 green source x 16: green first
416 50 back source x 16: 16 wide
600 50 black black ambient
66 166 back colour key: the middle shows the background
50 150 red colour key: the red texels stay
TABLE
half=$(e2e_pixel "$OUT/screen.png" 500 50)
e2e_check "half transparent: $half" eval '[[ "$half" =~ ^srgb\(14[6-9],2[0-2],2[0-2]\)$ ]]'
e2e_wait_exit
e2e_check "the client ends with status 0" [ "$STATUS" = 0 ]
# The engine's own screenshot: a BMP of the window's size showing the same frame.
shot="$OUT/screenshot001.bmp"
e2e_check "screenshot001.bmp is an 800 x 600 BMP" eval 'identify "$shot" | grep -q "BMP.* 800x600 "'
for p in "50 50" "150 81" "66 166" "313 113"; do
  set -- $p
  e2e_check "the screenshot shows the screen at $p" [ "$(WX=0 WY=0 e2e_pixel "$shot" "$1" "$2")" = "$(e2e_pixel "$OUT/screen.png" "$1" "$2")" ]
done
e2e_done
