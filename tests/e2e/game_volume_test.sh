#!/usr/bin/env bash
# The master volume, heard through SDL's disk audio driver: the game's first
# seconds (the welcome and the ambient loop) at --volume 100, --volume 50 and
# --mute. Half the volume is 6 dB less; muted, the output is silence.
set -euo pipefail
game="$1"
out="$2"
mkdir -p "$out"
rm -rf "$out/xdg" "$out/config" "$out"/*.raw
export XDG_DATA_HOME="$out/xdg" XDG_CONFIG_HOME="$out/config" SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=disk
record() {  # name, options...
  local name="$1"
  shift
  SDL_DISKAUDIOFILE="$out/$name.raw" "$game" "$@" > "$out/$name.log" 2>&1 & local pid=$!
  sleep 2.5
  kill -TERM $pid
  wait $pid || true
  [ -s "$out/$name.raw" ] || { echo "$name: nothing was written"; cat "$out/$name.log"; exit 1; }
}
# The level over the same stretch of both recordings: 0.5 s to 2 s after the device opened.
stat_of() { sox -t raw -e floating-point -b 32 -r 44100 -c 2 "$out/$1.raw" -n trim 0.5 1.5 stat 2>&1; }
rms() { stat_of "$1" | sed -n "s/^RMS *amplitude: *//p"; }
record full --volume 100
record half --volume 50
record mute --mute
full=$(rms full)
half=$(rms half)
db=$(awk -v a="$full" -v b="$half" "BEGIN { printf \"%.2f\", 20 * log(a / b) / log(10) }")
echo "RMS at --volume 100: $full, at --volume 50: $half: $db dB lower"
awk -v d="$db" "BEGIN { exit !(d > 5.52 && d < 6.52) }" || { echo "--volume 50 is not 6 dB below --volume 100"; exit 1; }
peak=$(sox -t raw -e floating-point -b 32 -r 44100 -c 2 "$out/mute.raw" -n stat 2>&1 | sed -n "s/^Maximum amplitude: *//p")
echo "peak with --mute: $peak"
awk -v p="$peak" "BEGIN { exit !(p == 0) }" || { echo "--mute is not silent"; exit 1; }
grep -q "Mute=yes" "$out/config/vortex-raiders/settings.ini" || { echo "--mute was not remembered"; exit 1; }
echo "volume: 50 is 6 dB below 100, mute writes silence"
