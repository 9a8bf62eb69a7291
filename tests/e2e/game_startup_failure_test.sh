#!/usr/bin/env bash
# A game that cannot start says why in a box titled "Vortex Raiders" (answered
# here by a dialog script) and on standard error, and exits with status 1.
# Copies of the program run from folders that lack one thing each.
set -euo pipefail
bin="$(cd "$1" && pwd)"   # the build's program folder
out="$2"
rm -rf "$out"
mkdir -p "$out"
printf 'OK\nOK\n' > "$out/answers"
export XDG_DATA_HOME="$out/xdg" VR_DIALOG_SCRIPT="$out/answers" SDL_AUDIODRIVER=dummy

# A program folder with the given files of the build's folder beside a copy of the program.
folder() {
  local dir="$out/$1"; shift
  mkdir -p "$dir"
  cp "$bin/VortexRaiders" "$dir/"
  for f in "$@"; do ln -s "$bin/$f" "$dir/$f"; done
  echo "$dir"
}

# expect NAME FOLDER TEXT [ENV...]: the run fails with status 1 and a box holding TEXT.
expect() {
  local name="$1" dir="$2" text="$3"; shift 3
  local status=0
  env "$@" "$dir/VortexRaiders" > "$out/$name.log" 2>&1 || status=$?
  [ "$status" = 1 ] || { echo "$name: exit status $status, not 1"; cat "$out/$name.log"; exit 1; }
  grep -qF "[dialog] Vortex Raiders | " "$out/$name.log" || { echo "$name: no message box"; cat "$out/$name.log"; exit 1; }
  grep -qF "$text" "$out/$name.log" || { echo "$name: the reason is not given"; cat "$out/$name.log"; exit 1; }
  grep -q "^VortexRaiders: " "$out/$name.log" || { echo "$name: nothing on standard error"; exit 1; }
  echo "$name: $(grep '^\[dialog\]' "$out/$name.log")"
}

expect missing-art "$(folder missing-art art)" "menu.jpg is missing"
expect missing-library "$(folder missing-library art menu.jpg vr-classes.manifest)" \
  "cannot load" VR_COM_REGISTRY="$out/none.ini"
expect not-registered "$(folder not-registered art menu.jpg)" \
  "Class not registered" VR_COM_REGISTRY="$out/none.ini"

# Registered and without a manifest, the classes are created: the start goes on
# to the window, which this run has no display for.
VR_COM_REGISTRY="$out/classes.ini" "$bin/vr-regsvr" "$bin/libKorva2D_VR.so" > /dev/null
expect registered "$(folder registered art menu.jpg)" "Cannot open the game window" \
  VR_COM_REGISTRY="$out/classes.ini" SDL_VIDEODRIVER=no-such-driver
if grep -q "engine library" "$out/registered.log"; then echo "registered: the classes were not created"; exit 1; fi
echo "all start-up failures shown"
