#!/usr/bin/env bash
# The documented examples given an assets folder that does not exist: one line
# on standard error saying so, status 1, no dialog (any that appeared would be
# answered by the dialog script and show in the output) and no abort.
#   examples_start_failure_test.sh HELLO SOUND_ONLY
source "$(dirname "$0")/lib.sh"
printf 'OK\nOK\nOK\n' > "$OUT/answers"
export VR_DIALOG_SCRIPT="$OUT/answers"
e2e_display
for program in "$@"; do
  name="$(basename "$program")" status=0
  "$program" "$OUT/no-such-folder" > "$OUT/$name.out" 2> "$OUT/$name.err" || status=$?
  e2e_check "$name exits with status 1 (was $status)" test "$status" = 1
  e2e_check "$name shows no dialog" e2e_not grep -q '^\[dialog\]' "$OUT/$name.out" "$OUT/$name.err"
  e2e_check "$name says why in one line" \
    test "$(cat "$OUT/$name.err")" = "$name: no assets folder $OUT/no-such-folder"
done
e2e_done
