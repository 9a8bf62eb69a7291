#!/usr/bin/env bash
# The automated pilot plays one whole run under Xvfb; the end-of-run dialogs
# are answered from a script; the run must end up in Top10.ini.
set -euo pipefail
game="$1"
out="$2"
mkdir -p "$out"
rm -rf "$out/xdg" "$out"/pilot-*.png
export XDG_DATA_HOME="$out/xdg" SDL_AUDIODRIVER=dummy
printf 'Pilot\nPilot\nOK\nOK\n' > "$out/answers.txt"
export VR_DIALOG_SCRIPT="$out/answers.txt"
timeout 400 xvfb-run -a -s "-screen 0 800x600x24" "$game" --autopilot --pilot-shots "$out" > "$out/pilot.log" 2>&1 || {
  echo "the pilot's run failed"; cat "$out/pilot.log"; exit 1; }
cat "$out/pilot.log"
top10="$XDG_DATA_HOME/vrplatform/system/Top10.ini"
[ -s "$top10" ] || { echo "no Top10.ini was written"; exit 1; }
grep -q "Top10" "$top10" && { echo "Top10.ini is readable"; exit 1; }
grep -Eq "\[dialog\] Congratulations \| Enter your name:.*You are: 1\. with [0-9]+ points.* \| Pilot" "$out/pilot.log" || {
  echo "the run did not enter the table"; exit 1; }
for f in pilot-earth-intro.png pilot-mid-run.png pilot-menu-after-run.png; do
  [ -s "$out/$f" ] || { echo "missing screenshot $f"; exit 1; }
done
# The menu after the run shows place 1 in the highlight colour.
grep -qi "#FFE0C0" <<< "$(convert "$out/pilot-menu-after-run.png" -format %c histogram:info:-)" || {
  echo "the run is not highlighted in the table"; exit 1; }
echo "pilot: a whole run played, ranked, saved and shown highlighted"
