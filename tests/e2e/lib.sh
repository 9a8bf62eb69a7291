# The machinery of the end-to-end scripts: a display of their own, programs in
# the background, windows, real input, screenshots and pixels, and waits on
# what a test expects instead of fixed sleeps. A script sources it
# (source "$(dirname "$0")/lib.sh") and is registered with vr_add_e2e(), which
# gives it VR_BIN (the program folder), VR_GAME_CAPTION, VR_ENGINE_VERSION_TEXT
# and E2E_OUT. The library sets -euo pipefail, empties OUT (= E2E_OUT), points
# XDG_DATA_HOME and XDG_CONFIG_HOME into it, defaults SDL_AUDIODRIVER to dummy,
# and at exit ends what it started (showing the programs' logs on a failure).
# Every wait polls every 50 ms (screenshots every 250 ms) and gives up after
# E2E_TIMEOUT seconds (20; `E2E_TIMEOUT=60 e2e_wait_exit` for one call) with a
# message and status 1, so under set -e a wait that fails ends the test.
# Positions are relative to the client area of the last window found (WX, WY).
#   e2e_display [WxH] [XVFB_OPTION...]  an Xvfb (24 bits, 1024x768) on a free display with its own
#                                       cookie, ready for clients; exports DISPLAY and XAUTHORITY
#   e2e_display_stop                    ends that X server
#   e2e_start NAME PROGRAM [ARG...]     PROGRAM in the background, output appended to $OUT/NAME.log; PID
#   e2e_wait_exit [PID]                 waits until PID ends; STATUS holds its exit status (not `wait`,
#                                       which would wait for the X server too)
#   e2e_until COMMAND...                waits until COMMAND succeeds
#   e2e_wait_log FILE REGEX             waits until a line of FILE matches the extended REGEX
#   e2e_window CAPTION                  waits until the window CAPTION is viewable; WX, WY: its client
#                                       area on the screen, WW, WH: its size; xwininfo in $OUT/window.txt
#   e2e_move X Y, e2e_click X Y [BUTTON], e2e_key KEY...   real pointer and key input (xdotool)
#   e2e_escape                          holds Escape over the window until PID ends; fails unless status 0
#   e2e_pointer_held L T R B PUSH...    moves the pointer by each PUSH ("DX DY"); fails unless it is back
#                                       inside the screen rectangle L..R x T..B within a second
#   e2e_shot FILE [IMPORT_OPTION...]    a screenshot of the whole screen
#   e2e_shot_until FILE COMMAND...      takes screenshots into FILE until COMMAND (which reads FILE) succeeds
#   e2e_pixel FILE X Y                  the colour of a pixel of a picture, "srgb(R,G,B)"
#   e2e_pixels FILE X Y [X Y...]        the colours of several, one a line, reading the picture once
#   e2e_pixel_is FILE X Y COLOUR        whether that pixel has that colour
#   e2e_same_pixels A B X Y [X Y...]    whether two pictures have the same colours at those pixels
#   e2e_has_colour FILE COLOUR [X Y W H]  whether a picture (or a region) holds the colour (#RRGGBB)
#   e2e_colour_count FILE X Y W H       how many colours a region of a picture holds
#   e2e_pixels_differ A B X Y W H       how many pixels of a region differ between two pictures
#   e2e_check WHAT COMMAND...           prints "ok   WHAT" or "FAIL WHAT"; a failure makes e2e_done fail
#   e2e_fail MESSAGE                    prints "FAIL: MESSAGE" and ends the test with status 1
#   e2e_done                            ends the test: status 1 if a check failed
#   e2e_not COMMAND...                  succeeds when COMMAND fails
#   e2e_at_exit COMMAND                 runs COMMAND (a string) at exit, after the programs are ended
# The game (VR_GAME_CAPTION), whose waits give up after three times E2E_TIMEOUT: on a busy machine a
# window of the game's full size draws a few frames a second, and a click waits for the next one.
#   e2e_wait_menu FILE [SCALE]          takes screenshots into FILE until the menu shows its table
#   e2e_start_run MENU FILE [SCALE]     clicks the field's centre and takes screenshots into FILE until
#                                       the menu's title (in MENU, a screenshot of it) has gone: a run
# shellcheck shell=bash disable=SC2034
set -euo pipefail

OUT="${E2E_OUT:-/tmp/vr-e2e-$(basename "$0" .sh)}"
rm -rf "$OUT"
mkdir -p "$OUT"
export XDG_DATA_HOME="$OUT/xdg" XDG_CONFIG_HOME="$OUT/config" SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
E2E_TIMEOUT="${E2E_TIMEOUT:-20}"
E2E_FAILED=0
E2E_PIDS=()
E2E_AT_EXIT=()
E2E_XVFB=""
WX=0 WY=0 WW=0 WH=0

e2e_at_exit() { E2E_AT_EXIT+=("$1"); }

e2e_end_all() {
  local status=$? pid cmd log
  for pid in "${E2E_PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${E2E_PIDS[@]}"; do E2E_TIMEOUT=3 e2e_until e2e_ended "$pid" 2>/dev/null || kill -KILL "$pid" 2>/dev/null || true; done
  e2e_display_stop
  for cmd in "${E2E_AT_EXIT[@]}"; do eval "$cmd" || true; done
  for log in "$OUT"/*.log; do
    [ "$status" -eq 0 ] || [ ! -s "$log" ] || { echo "--- the end of $log:"; tail -n 15 "$log"; }
  done
  return "$status"
}
trap e2e_end_all EXIT
trap 'exit 143' TERM INT

e2e_now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

e2e_until() {
  local deadline=$(($(e2e_now_ms) + E2E_TIMEOUT * 1000))
  until "$@"; do
    [ "$(e2e_now_ms)" -lt "$deadline" ] || { echo "timed out after $E2E_TIMEOUT s waiting for: $*" >&2; return 1; }
    sleep "${E2E_POLL:-0.05}"
  done
}

e2e_ended() { ! kill -0 "$1" 2>/dev/null; }

e2e_display() {
  local size="${1:-1024x768}" cookie dir="$OUT/x11"
  [ $# -eq 0 ] || shift
  e2e_display_stop
  mkdir -p "$dir"
  rm -f "$dir/auth" "$dir/number"
  export XAUTHORITY="$dir/auth"
  cookie="$(mcookie)"
  # The server takes every cookie of its file; the client looks one up by display number.
  touch "$XAUTHORITY"
  xauth -q -f "$XAUTHORITY" add :0 . "$cookie"
  # -noreset: a client connecting just as the last one leaves is not cut off by a server reset.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -auth "$XAUTHORITY" -nolisten tcp -noreset "$@" 3> "$dir/number" \
    2> "$OUT/xvfb.txt" &
  E2E_XVFB=$!
  e2e_until e2e_display_settled
  grep -q "^[0-9][0-9]*$" "$dir/number" || { echo "Xvfb did not start:"; cat "$OUT/xvfb.txt"; return 1; }
  export DISPLAY=":$(<"$dir/number")"
  xauth -q -f "$XAUTHORITY" add "$DISPLAY" . "$cookie"
}
e2e_display_settled() { grep -q "^[0-9][0-9]*$" "$OUT/x11/number" 2>/dev/null || ! kill -0 "$E2E_XVFB" 2>/dev/null; }

e2e_display_stop() {
  [ -n "$E2E_XVFB" ] || return 0
  kill -TERM "$E2E_XVFB" 2>/dev/null || true
  wait "$E2E_XVFB" 2>/dev/null || true
  E2E_XVFB=""
}

e2e_start() {
  local name="$1"
  shift
  "$@" >> "$OUT/$name.log" 2>&1 &
  PID=$!
  E2E_PIDS+=("$PID")
}

e2e_wait_exit() {
  local pid="${1:-$PID}"
  STATUS=running
  e2e_until e2e_ended "$pid" || { kill -KILL "$pid" 2>/dev/null; echo "the program $pid did not end"; return 1; }
  STATUS=0
  wait "$pid" || STATUS=$?
}

e2e_wait_log() {
  e2e_until grep -Eq -- "$2" "$1" 2>/dev/null || { echo "no line matching \"$2\" in $1"; return 1; }
}

e2e_viewable() { xwininfo -name "$1" > "$OUT/window.txt" 2>/dev/null && grep -q "Map State: IsViewable" "$OUT/window.txt"; }

e2e_window() {
  e2e_until e2e_viewable "$1" || { echo "the window \"$1\" did not appear"; return 1; }
  read -r WX WY WW WH <<< "$(awk -F': *' '/Absolute upper-left X/ {x = $2} /Absolute upper-left Y/ {y = $2}
                                         /Width/ {w = $2} /Height/ {h = $2} END {print x, y, w, h}' "$OUT/window.txt")"
}

e2e_move() { xdotool mousemove $((WX + $1)) $((WY + $2)); }
e2e_click() { xdotool mousemove $((WX + $1)) $((WY + $2)) click "${3:-1}"; }
e2e_key() { xdotool key "$@"; }

e2e_escape() {
  e2e_move 10 10
  xdotool keydown Escape
  e2e_wait_exit || true
  xdotool keyup Escape
  [ "$STATUS" = 0 ] || e2e_fail "Escape did not end the program with status 0 (status $STATUS)"
}

e2e_pointer_held() {
  local left="$1" top="$2" right="$3" bottom="$4" push X Y
  shift 4
  for push in "$@"; do
    # shellcheck disable=SC2086
    xdotool mousemove_relative -- $push
    E2E_TIMEOUT=1 e2e_until e2e_pointer_inside "$left" "$top" "$right" "$bottom" ||
      e2e_fail "the pointer got out to $X, $Y after a push by $push (held in $left..$right x $top..$bottom)"
  done
}
e2e_pointer_inside() {
  eval "$(xdotool getmouselocation --shell)"
  [ "$X" -ge "$1" ] && [ "$Y" -ge "$2" ] && [ "$X" -le "$3" ] && [ "$Y" -le "$4" ]
}

e2e_shot() {
  local file="$1" fast=()
  shift
  [[ "$file" != *.png ]] || fast=(-quality 10)  # zlib level 1: a 4K screen in half the time
  import -window root "${fast[@]}" "$@" "$file"
}

# A screenshot and its reading take most of a core (more on a 4K screen): a pause between them,
# so that the program watched is not starved of the time it needs to draw what is waited for.
e2e_shot_until() { E2E_POLL=0.25 e2e_until e2e_shot_then "$@" || { echo "the screen never showed what was waited for ($1)"; return 1; }; }
e2e_shot_then() { e2e_shot "$1" && "${@:2}"; }

e2e_pixels() {
  local file="$1" format=""
  shift
  while [ $# -ge 2 ]; do
    format+="%[pixel:p{$((WX + $1)),$((WY + $2))}]\n"
    shift 2
  done
  convert "$file" -format "$format" info:
}
e2e_pixel() { e2e_pixels "$@"; }
e2e_has_colour() {
  local region=()
  [ $# -lt 6 ] || region=(-crop "$5x$6+$((WX + $3))+$((WY + $4))" +repage)
  convert "$1" "${region[@]}" -format %c histogram:info:- | grep -ic -- "$2" > /dev/null
}

e2e_colour_count() { convert "$1" -crop "$4x$5+$((WX + $2))+$((WY + $3))" +repage -format %k info:; }
e2e_pixels_differ() {
  convert "$1" "$2" -crop "$5x$6+$((WX + $3))+$((WY + $4))" +repage -metric AE -compare -format "%[distortion]" info: \
    2>/dev/null || true
}

e2e_check() {
  local what="$1"
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; E2E_FAILED=1; fi
}
e2e_fail() { echo "FAIL: $*"; exit 1; }
e2e_done() { exit "$E2E_FAILED"; }
e2e_pixel_is() { [ "$(e2e_pixel "$1" "$2" "$3")" = "$4" ]; }
e2e_same_pixels() { [ "$(e2e_pixels "$1" "${@:3}")" = "$(e2e_pixels "$2" "${@:3}")" ]; }
e2e_not() { ! "$@"; }

e2e_wait_menu() {
  local s="${2:-1}" E2E_TIMEOUT=$((E2E_TIMEOUT * 3))
  e2e_shot_until "$1" e2e_has_colour "$1" "#D8FFFE" $((s * 100)) $((s * 120)) $((s * 300)) $((s * 30))
}

e2e_start_run() {
  local s="${3:-1}" title E2E_TIMEOUT=$((E2E_TIMEOUT * 3))
  title=$(e2e_pixel "$1" $((s * 231)) $((s * 46)))
  e2e_click $((s * 231 + s / 2)) $((s * 251 + s / 2))
  e2e_shot_until "$2" e2e_not e2e_pixel_is "$2" $((s * 231)) $((s * 46)) "$title" || e2e_fail "the click did not start a run"
}
