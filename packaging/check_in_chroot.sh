#!/usr/bin/env bash
# Installs the Debian packages in a fresh minimal Debian (debootstrap, as root)
# with apt-get, as a user would, and uses them there: the game as far as its
# window, the score server answering its page, the installed examples built by
# their CMakeLists.txt and a client built with pkg-config, both run; then purges
# them and checks that nothing of theirs is left. It downloads a minimal system
# and a compiler (a few hundred MB), so it is run by hand, not by the test suite.
#   packaging/check_in_chroot.sh [--keep] [DEB_DIR [CHROOT_DIR]]
# DEB_DIR holds the packages (default build/, where `cpack -G DEB` in build/ puts
# them); CHROOT_DIR is the system (default a new folder under /tmp, removed at
# the end unless --keep; an existing one is used again). DEBIAN_MIRROR names the mirror.
set -euo pipefail
keep=0
[ "${1:-}" = "--keep" ] && { keep=1; shift; }
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
debs="$(cd "${1:-$source_dir/build}" && pwd)"
root="${2:-$(mktemp -d /tmp/vr-chroot.XXXXXX)}"
mirror="${DEBIAN_MIRROR:-http://deb.debian.org/debian}"
suite="$(. /etc/os-release && echo "$VERSION_CODENAME")"
[ "$(id -u)" -eq 0 ] || { echo "check_in_chroot: run it as root (debootstrap, chroot)" >&2; exit 1; }
command -v debootstrap > /dev/null || { echo "check_in_chroot: apt-get install debootstrap first" >&2; exit 1; }
packages=(libkorva2d-vr0 libkorva2d-vr-dev vortex-raiders vortex-scores)
for p in "${packages[@]}"; do
  ls "$debs/${p}"_*.deb > /dev/null 2>&1 || { echo "check_in_chroot: no ${p}_*.deb in $debs (cpack -G DEB first)" >&2; exit 1; }
done

cleanup() {
  for m in proc dev; do mountpoint -q "$root/$m" && umount -l "$root/$m"; done
  [ "$keep" = 1 ] || rm -rf "$root"
}
trap cleanup EXIT
if [ ! -x "$root/usr/bin/apt-get" ]; then
  echo "== debootstrap $suite into $root"
  debootstrap --variant=minbase "$suite" "$root" "$mirror" > "$root.debootstrap.log" 2>&1 \
    || { tail -20 "$root.debootstrap.log"; exit 1; }
fi
mount --bind /proc "$root/proc"
mount --bind /dev "$root/dev"
in_root() { chroot "$root" env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/games HOME=/root LANG=C.UTF-8 "$@"; }
rm -rf "$root/tmp/vr" && mkdir -p "$root/tmp/vr/debs"
files=()
for p in "${packages[@]}"; do
  file="$(ls "$debs/${p}"_*.deb | tail -1)"
  cp "$file" "$root/tmp/vr/debs/"
  files+=("/tmp/vr/debs/$(basename "$file")")
done
cp -r "$source_dir/tests/install/client" "$source_dir/tests/install/game_reaches_window.sh" "$root/tmp/vr/"

echo "== apt-get install the packages (with what they depend on), then a compiler"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${files[@]}" > "$root/tmp/vr/apt.log" 2>&1 \
  || { tail -30 "$root/tmp/vr/apt.log"; exit 1; }
in_root dpkg-query -W "${packages[@]}"
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends g++ cmake make pkg-config \
  > "$root/tmp/vr/apt-tools.log" 2>&1 || { tail -30 "$root/tmp/vr/apt-tools.log"; exit 1; }

echo "== the game, the server, the examples and a client, used by an ordinary user"
mkdir -p "$root/tmp/vr/home"
chown -R 65534:65534 "$root/tmp/vr"
in_root setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp/vr/home bash -euo pipefail -c '
  cd /tmp/vr
  VortexRaiders --help | head -1
  ./game_reaches_window.sh /usr/games/VortexRaiders game.log && echo "the game found its art and classes; it stopped at the window"
  vortex-scores --port 0 --data /tmp/vr/scores > server.log 2>&1 &
  server=$!
  for _ in $(seq 100); do grep -q "listening on" server.log && break; sleep 0.1; done
  port="$(sed -n "s|.*listening on http://127.0.0.1:\([0-9]*\) .*|\1|p" server.log)"
  exec 3<> "/dev/tcp/127.0.0.1/$port"
  printf "GET /index2.php?game=9 HTTP/1.0\r\nHost: localhost\r\n\r\n" >&3
  head -1 <&3 | grep -q " 200 " && echo "vortex-scores answered its page on port $port"
  exec 3<&-
  kill "$server"
  cmake -S /usr/share/korva2d/examples -B examples > examples.log 2>&1 && cmake --build examples >> examples.log 2>&1 \
    || { cat examples.log; exit 1; }
  SDL_AUDIODRIVER=dummy examples/korva2d-sound_only
  c++ -std=c++20 client/korva2d_client.cpp -o client/korva2d_client $(pkg-config --cflags --libs korva2d)
  mkdir -p folder && SDL_AUDIODRIVER=dummy client/korva2d_client folder
'

echo "== apt-get purge"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "${packages[@]}" > "$root/tmp/vr/purge.log" 2>&1 \
  || { tail -30 "$root/tmp/vr/purge.log"; exit 1; }
left="$(cd "$root" && ls -d usr/lib/libKorva2D_VR* usr/lib/libvrplatform* usr/lib/vrplatform usr/lib/vortex-raiders \
  usr/lib/korva2d-demo usr/share/korva2d usr/games/VortexRaiders usr/bin/vortex-scores 2>/dev/null || true)"
[ -z "$left" ] || { echo "left behind after purge: $left"; exit 1; }
echo "installed, used and purged in a fresh $suite: all well"
