#!/usr/bin/env bash
# Runs the demo window under Xvfb, takes a screenshot of the screen and
# checks that the sprite's red and the text's yellow are on it.
set -euo pipefail
demo="$1"
out="${2:-demo_window.png}"
xvfb-run -a -s "-screen 0 800x600x24" bash -c "
  '$demo' 150 & pid=\$!
  sleep 1.5
  import -window root '$out'
  wait \$pid
"
colours=$(convert "$out" -format %c histogram:info:-)
grep -qi "#FF2828" <<< "$colours" || { echo "the sprite is not on the screenshot"; exit 1; }
grep -qi "#FFFF00" <<< "$colours" || { echo "the text is not on the screenshot"; exit 1; }
grep -qi "#260F82" <<< "$colours" || { echo "the window background is not on the screenshot"; exit 1; }
echo "screenshot $out shows the sprite, the text and the window"
