#!/usr/bin/env bash
# The game installed into a folder its user cannot write, started twice by an
# ordinary user under Xvfb: no dialogue, and log.txt goes to the user's
# VirtualStore copy of the program folder, the second start appending to it.
# A client of the engine library given that folder as its own saves its
# screenshot, font.ini and log into the store too.
# As root the game runs as "nobody" (setpriv); without setpriv it is skipped.
#   readonly_install_test.sh ENGINE_CLIENT
source "$(dirname "$0")/lib.sh"
bin="$VR_BIN"
client="$1"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv > /dev/null || { echo "SKIPPED: running as root and setpriv is not installed"; exit 77; }
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi

work="$(mktemp -d /tmp/vr-readonly.XXXXXX)"
e2e_at_exit 'chmod -R u+w "$work"; rm -rf "$work"'
install="$work/games/vortex-raiders"
home="$work/home"
store="$home/data/vrplatform/VirtualStore$install"
mkdir -p "$install" "$home"
cp "$client" "$install/"
cp -a "$bin/VortexRaiders" "$bin"/*.so.* "$bin/vr-classes.manifest" "$bin/menu.jpg" "$bin"/*.wav "$bin/art" "$install/"
chmod -R a+rX,go-w "$work"
printf 'OK\nOK\nOK\n' > "$home/answers.txt"
if [ ${#as_user[@]} -gt 0 ]; then chown -R 65534:65534 "$home"; else chmod -R a-w "$install"; fi
[ ! -w "$install" ] || [ ${#as_user[@]} -gt 0 ] || e2e_fail "the install folder is still writable"

e2e_display
cp "$XAUTHORITY" "$home/.Xauthority"
chmod 644 "$home/.Xauthority"
as_user+=(env HOME="$home" XDG_DATA_HOME="$home/data" XAUTHORITY="$home/.Xauthority" VR_DIALOG_SCRIPT="$home/answers.txt")
for start in 1 2; do
  e2e_start "start-$start" "${as_user[@]}" "$install/VortexRaiders"
  e2e_window "$VR_GAME_CAPTION"
  e2e_escape
  ! grep -q "\[dialog\]" "$OUT/start-$start.log" || e2e_fail "start $start showed a dialogue"
done
[ ! -e "$install/log.txt" ] || e2e_fail "log.txt was written into the read-only program folder"
[ -s "$store/log.txt" ] || { find "$home" -type f; e2e_fail "no log.txt in the user's store ($store)"; }
cp "$store/log.txt" "$OUT/log.txt"
starts=$(grep -c "APPLICATION STARTED" "$store/log.txt")
[ "$starts" -eq 2 ] || { cat "$store/log.txt"; e2e_fail "the store's log has $starts start lines, not 2"; }
echo "two starts from a read-only folder, no dialogue; the user's log in the store holds both:"
cat "$store/log.txt"

e2e_start client "${as_user[@]}" "$install/$(basename "$client")" "$install" 20
e2e_wait_exit
[ "$STATUS" = 0 ] || e2e_fail "the engine client failed in the read-only folder"
for f in screenshot001.bmp font.ini quad.png; do
  [ -s "$store/$f" ] || { find "$home/data" -type f; e2e_fail "no $f in the user's store"; }
  [ ! -e "$install/$f" ] || e2e_fail "$f was written into the read-only program folder"
done
identify "$store/screenshot001.bmp" | grep -q "BMP.* 800x600 " || e2e_fail "the stored screenshot is not an 800 x 600 BMP"
[ "$(grep -c "APPLICATION STARTED ###" "$store/log.txt")" = 1 ] || e2e_fail "the client's start is not in the store's log"
echo "the engine client in the read-only folder saved its screenshot, font.ini and log in the store"
