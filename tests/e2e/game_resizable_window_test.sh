#!/usr/bin/env bash
# The game's window sized by the player: dragged (xdotool windowsize, on an X
# server that no window manager runs) to about 2.5 times its size, it shows
# the picture at 2x centred on black, a real click at the scaled centre starts
# a run, and the next start opens at 2x. F11 fills the screen and gives the
# window back. A dialog over the 2x window is 2x. The window has the game's
# icon, and the class its desktop entry names.
source "$(dirname "$0")/lib.sh"
export VORTEX_SCORE_SERVER="http://127.0.0.1:0"  # no server can be there
unset VR_DIALOG_SCRIPT
e2e_display 1600x1400
start() {
  xdotool mousemove 5 5
  e2e_start game "$VR_BIN/VortexRaiders" "$@"
  e2e_window "$VR_GAME_CAPTION"
  WINDOW=$(awk '/Window id:/ {print $4}' "$OUT/window.txt")
}
table() { convert "$1" -crop $((300 * $2))x$((271 * $2))+$((WX + 81 * $2))+$((WY + 121 * $2)) +repage -sample 300x271 "$3"; }
same_table() { table "$1" 2 "$OUT/table-2x-down.png" && [ "$(compare -metric AE "$OUT/table-1x.png" "$OUT/table-2x-down.png" null: 2>&1)" = 0 ]; }
sized() { e2e_window "$VR_GAME_CAPTION" && [ "$WW" = "$1" ] && [ "$WH" = "$2" ]; }

start
has_icon() { xprop -id "$WINDOW" _NET_WM_ICON > "$OUT/icon.txt" && grep -q "Icon (48 x 48)" "$OUT/icon.txt"; }
e2e_until has_icon || e2e_fail "the window has no 48 x 48 icon"
class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../../packaging/vortex-raiders.desktop")
xprop -id "$WINDOW" WM_CLASS | grep -q "\"$class\"$" || e2e_fail "the window's class is not \"$class\" of the desktop entry"
e2e_wait_menu "$OUT/menu-1x.png"
table "$OUT/menu-1x.png" 1 "$OUT/table-1x.png"
xdotool windowmove "$WINDOW" 0 0 windowsize "$WINDOW" 1170 1255  # 2.5 x 468 by 2.5 x 502, all on the screen
e2e_until sized 1170 1255
# 2 x 468 = 936 by 2 x 502 = 1004, centred: 117 pixels beside it, 125 above and below.
WINDOW_X=$WX WINDOW_Y=$WY
WX=$((WX + 117)) WY=$((WY + 125))
e2e_shot_until "$OUT/menu-resized.png" same_table "$OUT/menu-resized.png" || e2e_fail "the 2x table scaled down differs from the 1x table"
margins=$(WX=$WINDOW_X WY=$WINDOW_Y e2e_pixels "$OUT/menu-resized.png" 0 0 116 600 1053 600 500 124 500 1130 1169 1254 | sort -u)
[ "$margins" = "srgb(0,0,0)" ] || e2e_fail "the margins are not all black: $margins"
[ "$(e2e_pixels "$OUT/menu-resized.png" 0 0 935 1003 | sort -u)" = "srgb(38,15,130)" ] ||
  e2e_fail "the window background does not span the centred 936 x 1004"
e2e_wait_log "$OUT/config/vortex-raiders/settings.ini" "^Scale=2"
e2e_start_run "$OUT/menu-resized.png" "$OUT/run-resized.png" 2
e2e_escape
start
[ "$WW" = 936 ] && [ "$WH" = 1004 ] || e2e_fail "the next start is ${WW}x$WH, not the remembered 2x (936x1004)"
# A dialog over the 2x window is 2x: U without a score server says so in a message box 800 pixels wide.
e2e_wait_menu "$OUT/menu-2x.png" 2
e2e_move 300 500
e2e_key u
e2e_window "VortexRaiders"
e2e_shot "$OUT/dialog-2x.png"
[ "$WW" = 800 ] || e2e_fail "the message box over the 2x window is $WW pixels wide, not 800"
e2e_key Return
e2e_wait_log "$OUT/game.log" "^\[dialog\] VortexRaiders \| You must connect to the Internet first! \| OK$"
focused() { [ "$(xdotool getwindowfocus)" = "$((WINDOW))" ]; }
e2e_until focused  # the keyboard back with the game before F11 is pressed
e2e_key F11
e2e_until sized 1600 1400
e2e_wait_log "$OUT/config/vortex-raiders/settings.ini" "^FullScreen=yes"
WX=$(((1600 - 936) / 2)) WY=$(((1400 - 1004) / 2))
e2e_wait_menu "$OUT/menu-full.png" 2
e2e_key F11
e2e_until sized 936 1004
e2e_wait_log "$OUT/config/vortex-raiders/settings.ini" "^FullScreen=no"
e2e_escape
echo "resizable window: 2.5x ends at 2x centred on black, a click there starts a run, 2x remembered; F11 fills the screen and gives the window back; the icon and class are set"
