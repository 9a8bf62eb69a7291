#!/usr/bin/env bash
# The Debian package made by `cpack -G DEB`: its control fields declare the
# packages the programs need, its contents hold the game, the libraries, the
# headers, the desktop entry, the icon and the demo, and the game unpacked from
# it finds its art and its library's classes.
# Skipped (status 77) where cpack, dpkg-deb or dpkg-shlibdeps is missing.
#   [CPACK=cpack] deb_test.sh BUILD_DIR
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../e2e/lib.sh"
build="$1"
out="$OUT"
cpack="${CPACK:-cpack}"
for tool in "$cpack" dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" > /dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
work="$(mktemp -d /tmp/vr-deb.XXXXXX)"
e2e_at_exit 'rm -rf "$work"'

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work" > "$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb="$(ls "$work"/vortex-raiders_*.deb)"
dpkg-deb --info "$deb" > "$out/control.txt"
dpkg-deb --contents "$deb" | awk '{print $6}' > "$out/contents.txt"
echo "$(basename "$deb"): $(wc -l < "$out/contents.txt") entries"

depends="$(dpkg-deb --field "$deb" Depends)"
tr ',' '\n' <<< "$depends" | awk '{print $1}' > "$out/depends.txt"
for p in libc6 libstdc++6 libsdl2-2.0-0 libsdl2-ttf-2.0-0 libsdl2-image-2.0-0 libsndfile1 libcurl4 libfontconfig1 \
         libx11-6 fonts-liberation; do
  grep -qxF "$p" "$out/depends.txt" || e2e_fail "Depends lacks $p: $depends"
done
echo "Depends: $depends"

expected=(./usr/bin/VortexRaiders ./usr/lib/vortex-raiders/VortexRaiders ./usr/lib/vortex-raiders/menu.jpg
          ./usr/lib/vortex-raiders/art/PicPlayer.png ./usr/lib/vortex-raiders/vr-classes.manifest
          ./usr/lib/libKorva2D_VR.so ./usr/lib/libvrplatform.so ./usr/lib/vrplatform/vr-classes.manifest
          ./usr/bin/vr-regsvr ./usr/include/korva2d/korva2d.h ./usr/include/korva2d/korva2d_calls.h
          ./usr/include/platform/com.h ./usr/lib/pkgconfig/korva2d.pc ./usr/lib/cmake/Korva2D/Korva2DConfig.cmake
          ./usr/share/applications/vortex-raiders.desktop ./usr/share/icons/hicolor/256x256/apps/vortex-raiders.png
          ./usr/share/korva2d/samples/font.png ./usr/bin/korva2d-demo ./usr/lib/korva2d-demo/korva2d-demo
          ./usr/share/korva2d/examples/hello.cpp ./usr/share/doc/korva2d/engine.md)
for f in "${expected[@]}"; do
  grep -qx -- "$f" "$out/contents.txt" || e2e_fail "the package lacks $f"
done

# The unpacked package is a prefix like any other: the game starts from it as far as its window.
dpkg-deb --extract "$deb" "$work/root"
"$here/game_reaches_window.sh" "$work/root/usr/bin/VortexRaiders" "$out/game-start.log"
echo "the package holds the game, the libraries, the headers, the desktop entry, the icon and the demo; its game starts"
