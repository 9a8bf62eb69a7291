#!/usr/bin/env bash
# GetCursorPos under Xvfb answers where the pointer really is: after the
# program's own SetCursorPos, and after another program (xdotool) moves it;
# SetCursorPos keeps the pointer inside the ClipCursor rectangle.
#   pointer_warp_test.sh POINTER_PROBE
source "$(dirname "$0")/lib.sh"
probe="$1"
ask() { echo "$1" >&"${PROBE[1]}"; read -r -t 10 answer <&"${PROBE[0]}"; echo "$answer"; }
check() {  # what was done, expected, answer
  if [ "$3" = "$2" ]; then echo "ok: $1 -> $3"; else e2e_fail "$1: expected $2, GetCursorPos says $3"; fi
}
e2e_display
coproc PROBE { "$probe"; }
probe_pid=$PROBE_PID
ask get > /dev/null
check "SetCursorPos 300 200" "300 200" "$(ask "set 300 200")"
xdotool mousemove --sync 612 433
check "xdotool mousemove 612 433" "612 433" "$(ask get)"
check "SetCursorPos 17 29" "17 29" "$(ask "set 17 29")"
xdotool mousemove --sync 1000 700
check "xdotool mousemove 1000 700" "1000 700" "$(ask get)"
ask "clip 100 120 400 300" > /dev/null
check "clipped, SetCursorPos 10 10" "100 120" "$(ask "set 10 10")"
check "clipped, SetCursorPos 900 900" "399 299" "$(ask "set 900 900")"
exec {PROBE[1]}>&-
wait "$probe_pid"
# Drawn 3 times larger, the form keeps its client pixels: a point the program
# sets inside it lands on the middle of that pixel on the screen, and reads
# back as the same point.
coproc PROBE { "$probe" 3; }
probe_pid=$PROBE_PID
read -r OX OY <<< "$(ask origin)"
check "scaled, SetCursorPos origin + (10, 20)" "$((OX + 10)) $((OY + 20))" "$(ask "set $((OX + 10)) $((OY + 20))")"
real=$(xdotool getmouselocation --shell | sed -n "s/^[XY]=//p" | tr "\n" " ")
[ "$real" = "$((OX + 31)) $((OY + 61)) " ] || e2e_fail "the real pointer is at $real"
echo "ok: the real pointer is at $real"
xdotool mousemove --sync $((OX + 3 * 50 + 2)) $((OY + 3 * 40))
check "scaled, xdotool on client pixel (50, 40)" "$((OX + 50)) $((OY + 40))" "$(ask get)"
exec {PROBE[1]}>&-
wait "$probe_pid"
