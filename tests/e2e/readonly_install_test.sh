#!/usr/bin/env bash
# The game installed into a folder its user cannot write, started twice by an
# ordinary user under Xvfb: no dialogue, and log.txt goes to the user's
# VirtualStore copy of the program folder, the second start appending to it.
# A client of the engine library given that folder as its own saves its
# screenshot, font.ini and log into the store too.
# As root the game runs as "nobody" (setpriv); without setpriv it is skipped.
#   readonly_install_test.sh PROGRAM_FOLDER OUT [ENGINE_CLIENT]
set -euo pipefail
bin="$1"
out="$2"
client="${3:-}"
mkdir -p "$out"
rm -f "$out"/*.log "$out"/*.txt
here="$(cd "$(dirname "$0")" && pwd)"
caption="Vortex Raiders v1.3.21  [2004-12-27]"

as_user=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv > /dev/null || { echo "SKIPPED: running as root and setpriv is not installed"; exit 77; }
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi

work="$(mktemp -d /tmp/vr-readonly.XXXXXX)"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
install="$work/games/vortex-raiders"
home="$work/home"
mkdir -p "$install" "$home"
[ -z "$client" ] || cp "$client" "$install/"
cp -r "$bin/VortexRaiders" "$bin"/*.so "$bin/vr-classes.manifest" "$bin/menu.jpg" "$bin"/*.wav "$bin/art" "$install/"
chmod -R a+rX,go-w "$work"
printf 'OK\nOK\nOK\n' > "$home/answers.txt"
if [ ${#as_user[@]} -gt 0 ]; then chown -R 65534:65534 "$home"; else chmod -R a-w "$install"; fi
[ ! -w "$install" ] || [ ${#as_user[@]} -gt 0 ] || { echo "the install folder is still writable"; exit 1; }

for start in 1 2; do
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    home="'"$home"'"; out="'"$out"'"
    cp "$XAUTHORITY" "$home/.Xauthority"; chmod 644 "$home/.Xauthority"
    HOME="$home" XDG_DATA_HOME="$home/data" XAUTHORITY="$home/.Xauthority" VR_DIALOG_SCRIPT="$home/answers.txt" \
      SDL_AUDIODRIVER=dummy '"${as_user[*]}"' "'"$install"'/VortexRaiders" > "$out/start-'$start'.log" 2>&1 & pid=$!
    "'"$here"'/wait_for_window.sh" "'"$caption"'" "$out/window.txt" || { kill $pid; exit 1; }
    sleep 0.5
    X=$(sed -n "s/.*Absolute upper-left X: *//p" "$out/window.txt")
    Y=$(sed -n "s/.*Absolute upper-left Y: *//p" "$out/window.txt")
    xdotool mousemove $((X + 231)) $((Y + 251)) key Escape
    for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    wait $pid; echo "exit status $?" > "$out/exit-'$start'.txt"
  ' || { echo "start $start failed"; cat "$out/start-$start.log"; exit 1; }
  grep -q "exit status 0" "$out/exit-$start.txt" || { echo "start $start: $(cat "$out/exit-$start.txt")"; cat "$out/start-$start.log"; exit 1; }
  ! grep -q "\[dialog\]" "$out/start-$start.log" || { echo "start $start showed a dialogue:"; cat "$out/start-$start.log"; exit 1; }
done

log="$home/data/vrplatform/VirtualStore$install/log.txt"
[ ! -e "$install/log.txt" ] || { echo "log.txt was written into the read-only program folder"; exit 1; }
[ -s "$log" ] || { echo "no log.txt in the user's store ($log)"; find "$home" -type f; exit 1; }
cp "$log" "$out/log.txt"
starts=$(grep -c "APPLICATION STARTED" "$log")
[ "$starts" -eq 2 ] || { echo "the store's log has $starts start lines, not 2:"; cat "$log"; exit 1; }
echo "two starts from a read-only folder, no dialogue; the user's log in the store holds both:"
cat "$log"

[ -n "$client" ] || exit 0
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  home="'"$home"'"
  cp "$XAUTHORITY" "$home/.Xauthority"; chmod 644 "$home/.Xauthority"
  HOME="$home" XDG_DATA_HOME="$home/data" XAUTHORITY="$home/.Xauthority" SDL_AUDIODRIVER=dummy \
    '"${as_user[*]}"' "'"$install"'/'"$(basename "$client")"'" "'"$install"'" 20
' > "$out/client.log" 2>&1 || { echo "the engine client failed in the read-only folder"; cat "$out/client.log"; exit 1; }
store="$home/data/vrplatform/VirtualStore$install"
for f in screenshot001.bmp font.ini quad.png; do
  [ -s "$store/$f" ] || { echo "no $f in the user's store"; find "$home/data" -type f; exit 1; }
  [ ! -e "$install/$f" ] || { echo "$f was written into the read-only program folder"; exit 1; }
done
identify "$store/screenshot001.bmp" | grep -q "BMP.* 800x600 " || { echo "the stored screenshot is not an 800 x 600 BMP"; exit 1; }
grep -c "APPLICATION STARTED ###" "$store/log.txt" | grep -qx 1 || { echo "the client's start is not in the store's log"; exit 1; }
echo "the engine client in the read-only folder saved its screenshot, font.ini and log in the store"
