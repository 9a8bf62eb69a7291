#!/usr/bin/env bash
# An engine client started in full screen on an X server that no window manager
# runs: its window covers the screen, the back buffer fills it pixel for pixel
# (the sprites where their values place them), and the engine's screenshot is
# the whole screen.
#   engine_full_screen_test.sh CLIENT
source "$(dirname "$0")/lib.sh"
client="$1"
e2e_display 800x600
e2e_start client "$client" "$OUT" 150 full
# The form shows at its own size first, then the device takes it over.
covers_screen() { e2e_window "Korva2D sprites" && [ "$WX $WY $WW $WH" = "0 0 800 600" ]; }
e2e_until covers_screen || e2e_fail "the window does not cover the screen: $WW x $WH at $WX, $WY"
echo "ok   the window covers the screen"
red="srgb(255,0,0)" yellow="srgb(255,255,0)" back="srgb(40,40,40)"
e2e_shot_until "$OUT/screen.png" e2e_pixel_is "$OUT/screen.png" 50 50 "$red"
e2e_check "the top-left corner is the back buffer's" e2e_pixel_is "$OUT/screen.png" 0 0 "$back"
e2e_check "and so is the bottom-right one" e2e_pixel_is "$OUT/screen.png" 799 599 "$back"
e2e_check "a sprite twice its size ends where its values say" e2e_pixel_is "$OUT/screen.png" 313 113 "$yellow"
e2e_wait_exit
[ "$STATUS" = 0 ] || e2e_fail "the client failed (status $STATUS)"
shot="$OUT/screenshot001.bmp"
e2e_check "the engine's screenshot is the screen, 800 x 600" grep -q "BMP.* 800x600 " <(identify "$shot")
e2e_check "the screenshot shows the screen" e2e_same_pixels "$shot" "$OUT/screen.png" 50 50 313 113 799 599
e2e_done
