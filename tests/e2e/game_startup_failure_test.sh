#!/usr/bin/env bash
# A game that cannot start says why in a box titled "Vortex Raiders" (answered
# here by a dialog script) and on standard error, and exits with status 1.
# Copies of the program run from folders that lack one thing each.
source "$(dirname "$0")/lib.sh"
bin="$VR_BIN"
printf 'OK\nOK\n' > "$OUT/answers"
export VR_DIALOG_SCRIPT="$OUT/answers"

# A program folder with the given files of the build's folder beside a copy of the program.
folder() {
  local dir="$OUT/$1"
  shift
  mkdir -p "$dir"
  cp "$bin/VortexRaiders" "$dir/"
  for f in "$@"; do ln -s "$bin/$f" "$dir/$f"; done
  echo "$dir"
}

# expect NAME FOLDER TEXT [ENV...]: the run fails with status 1 and a box holding TEXT.
expect() {
  local name="$1" dir="$2" text="$3" log="$OUT/$1.log" status=0
  shift 3
  env "$@" "$dir/VortexRaiders" > "$log" 2>&1 || status=$?
  [ "$status" = 1 ] || e2e_fail "$name: exit status $status, not 1"
  grep -qF "[dialog] Vortex Raiders | " "$log" || e2e_fail "$name: no message box"
  grep -qF "$text" "$log" || e2e_fail "$name: the reason is not given"
  grep -q "^VortexRaiders: " "$log" || e2e_fail "$name: nothing on standard error"
  echo "$name: $(grep '^\[dialog\]' "$log")"
}

# Options (--name VALUE or --name=VALUE) are checked alike: a refusal ends with status 2 and the reason.
for bad in --pilot-runs "--pilot-runs abc" --pilot-wait=-1 --scale=7 --mute=yes --bogus; do
  status=0
  # shellcheck disable=SC2086
  "$bin/VortexRaiders" $bad 2> "$OUT/option.txt" || status=$?
  [ "$status" = 2 ] && grep -q "^VortexRaiders: .* (try --help)$" "$OUT/option.txt" || e2e_fail "$bad: status $status"
done
"$bin/VortexRaiders" --scale=2 --pilot-runs 3 --help | grep -q "^Options for end-to-end checks:" || e2e_fail "no usage"
expect missing-art "$(folder missing-art art)" "menu.jpg is missing"
expect missing-library "$(folder missing-library art menu.jpg vr-classes.manifest)" \
  "cannot load" VR_COM_REGISTRY="$OUT/none.ini"
expect not-registered "$(folder not-registered art menu.jpg)" \
  "Class not registered" VR_COM_REGISTRY="$OUT/none.ini"

# Registered and without a manifest, the classes are created: the start goes on
# to the window, which this run has no display for.
VR_COM_REGISTRY="$OUT/classes.ini" "$bin/vr-regsvr" "$bin/libKorva2D_VR.so" > /dev/null
expect registered "$(folder registered art menu.jpg)" "Cannot open the game window" \
  VR_COM_REGISTRY="$OUT/classes.ini" SDL_VIDEODRIVER=no-such-driver
! grep -q "engine library" "$OUT/registered.log" || e2e_fail "registered: the classes were not created"
echo "all start-up failures shown"
