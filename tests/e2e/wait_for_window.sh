#!/usr/bin/env bash
# Waits (up to 10 s; a start under sanitizers is slow) until the window with
# the exact caption is mapped and viewable, and leaves its xwininfo in INFO.
#   wait_for_window.sh CAPTION INFO
caption="$1"
info="$2"
for i in $(seq 100); do
  if xwininfo -name "$caption" > "$info" 2>/dev/null && grep -q "Map State: IsViewable" "$info"; then
    exit 0
  fi
  sleep 0.1
done
echo "the window \"$caption\" did not appear"
exit 1
