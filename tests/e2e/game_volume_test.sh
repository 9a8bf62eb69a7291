#!/usr/bin/env bash
# The master volume, heard through SDL's disk audio driver: the game's first
# seconds (the welcome and the ambient loop) at --volume 100, --volume 50 and
# --mute. Half the volume is 6 dB less; muted, the output is silence.
source "$(dirname "$0")/lib.sh"
export SDL_VIDEODRIVER=offscreen
raw=(-t raw -e floating-point -b 32 -r 44100 -c 2)
# A recording from its first sound on (all of it when muted): how long the game
# takes to start its sounds after opening the device depends on the machine's load.
sound() { local from=(silence 1 1 0); [ "$1" != mute ] || from=(); sox "${raw[@]}" "$OUT/$1.raw" -n "${from[@]}" "${@:2}" 2>&1; }
# Each recording holds 2 s before its game is ended; one at a time, so that each plays as it would alone.
recorded() { [ -s "$OUT/$1.raw" ] && sound "$1" stat | awk '/^Length/ {ok = $3 >= 2.1} END {exit !ok}'; }
for run in full:"--volume 100" half:"--volume 50" mute:--mute; do
  name="${run%%:*}"
  # shellcheck disable=SC2086
  e2e_start "$name" env SDL_DISKAUDIOFILE="$OUT/$name.raw" "$VR_BIN/VortexRaiders" ${run#*:}
  e2e_until recorded "$name"
  kill -TERM "$PID"
  e2e_wait_exit
done
# The level over the same stretch of both recordings: 0.5 s to 2 s after the first sound.
rms() { sound "$1" trim 0.5 1.5 stat | sed -n "s/^RMS *amplitude: *//p"; }
full=$(rms full) half=$(rms half)
db=$(awk -v a="$full" -v b="$half" "BEGIN { printf \"%.2f\", 20 * log(a / b) / log(10) }")
echo "RMS at --volume 100: $full, at --volume 50: $half: $db dB lower"
awk -v d="$db" "BEGIN { exit !(d > 5.52 && d < 6.52) }" || e2e_fail "--volume 50 is not 6 dB below --volume 100"
peak=$(sound mute stat | sed -n "s/^Maximum amplitude: *//p")
echo "peak with --mute: $peak"
awk -v p="$peak" "BEGIN { exit !(p == 0) }" || e2e_fail "--mute is not silent"
grep -q "Mute=yes" "$OUT/config/vortex-raiders/settings.ini" || e2e_fail "--mute was not remembered"
echo "volume: 50 is 6 dB below 100, mute writes silence"
