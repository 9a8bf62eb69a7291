#!/usr/bin/env bash
# The Debian packages made by `cpack -G DEB`: each holds the files its rows below
# name and no others, with its copyright file; each declares what it needs and
# the runtime package nothing of the others; the libraries have their SONAME
# links, and the manifests name those. Unpacked together they are a prefix where
# the game starts and a client builds (find_package); the runtime package alone
# then serves that client. lintian finds no error.
# Skipped (status 77) where cpack, dpkg-deb or dpkg-shlibdeps is missing.
#   [CPACK=cpack] [CMAKE=cmake] deb_test.sh BUILD_DIR CLIENT_SOURCES CXX [CLIENT_FLAGS]
# The environment gives VR_VERSION, KORVA2D_SOVERSION and the libraries' files
# (KORVA2D_LIBRARY, KORVA2D_SONAME, VR_PLATFORM_LIBRARY, VR_PLATFORM_SONAME).
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../e2e/lib.sh"
build="$1"
client_src="$2"
cxx="$3"
flags="${4:-}"
out="$OUT"
cpack="${CPACK:-cpack}"
for tool in "$cpack" dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" > /dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
work="$(mktemp -d /tmp/vr-deb.XXXXXX)"
e2e_at_exit 'rm -rf "$work"'

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work" > "$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
runtime="libkorva2d-vr$KORVA2D_SOVERSION"
deb() { echo "$work/$1_${VR_VERSION}_$(dpkg --print-architecture).deb"; }

# PACKAGE ; files it holds (paths under usr/; LINK->TARGET for a symbolic link)
#         ; what every one of its files matches (besides share/doc/PACKAGE/{copyright,changelog.gz})
#         ; packages it depends on (NAME or NAME=VERSION) ; packages it must not depend on
rows=(
  "$runtime ; lib/$KORVA2D_LIBRARY lib/$VR_PLATFORM_LIBRARY lib/vrplatform/vr-classes.manifest bin/vr-regsvr
     lib/$KORVA2D_SONAME->$KORVA2D_LIBRARY lib/$VR_PLATFORM_SONAME->$VR_PLATFORM_LIBRARY share/man/man1/vr-regsvr.1.gz
   ; lib/(libKorva2D_VR|libvrplatform)\.so\.[0-9.]+|lib/vrplatform/vr-classes\.manifest|(bin|share/man/man1)/vr-regsvr(\.1\.gz)?
   ; libc6 libstdc++6 libsdl2-2.0-0 libsdl2-ttf-2.0-0 libsdl2-image-2.0-0 libsndfile1 libcurl4 libfontconfig1 libx11-6 fonts-liberation
   ; libkorva2d-vr-dev vortex-raiders vortex-scores"
  "libkorva2d-vr-dev ; lib/libKorva2D_VR.so->$KORVA2D_SONAME lib/libvrplatform.so->$VR_PLATFORM_SONAME
     include/korva2d/korva2d_calls.h include/platform/com.h lib/pkgconfig/korva2d.pc lib/cmake/Korva2D/Korva2DConfig.cmake
     share/korva2d/examples/CMakeLists.txt share/korva2d/examples/hello.cpp share/korva2d/samples/font.png
     share/doc/korva2d/engine.md lib/korva2d-demo/korva2d-demo lib/korva2d-demo/vr-classes.manifest
     bin/korva2d-demo->../lib/korva2d-demo/korva2d-demo share/man/man1/korva2d-demo.1.gz
   ; lib/lib(Korva2D_VR|vrplatform)\.so|include/(korva2d|platform)/[a-z0-9_]+\.h|lib/(pkgconfig|cmake/Korva2D|korva2d-demo)/.*|share/(korva2d|doc/korva2d)/.*|(bin|share/man/man1)/korva2d-demo(\.1\.gz)?
   ; $runtime=$VR_VERSION libc6
   ; vortex-raiders"
  "vortex-raiders ; lib/vortex-raiders/VortexRaiders lib/vortex-raiders/menu.jpg lib/vortex-raiders/art/PicPlayer.png
     lib/vortex-raiders/fire1.wav lib/vortex-raiders/vr-classes.manifest share/applications/vortex-raiders.desktop
     share/icons/hicolor/256x256/apps/vortex-raiders.png games/VortexRaiders->../lib/vortex-raiders/VortexRaiders
     share/man/man6/VortexRaiders.6.gz
   ; (games|share/man/man6)/VortexRaiders(\.6\.gz)?|lib/vortex-raiders/.*|share/applications/vortex-raiders\.desktop|share/icons/hicolor/.*
   ; $runtime=$VR_VERSION libc6
   ; libkorva2d-vr-dev vortex-scores"
  "vortex-scores ; bin/vortex-scores share/man/man1/vortex-scores.1.gz
   ; (bin|share/man/man1)/vortex-scores(\.1\.gz)?
   ; libc6 libsqlite3-0 libpq5
   ; $runtime libsdl2-2.0-0"
)
trim() { sed -E 's/^ +| +$//g' <<< "$1"; }
for row in "${rows[@]}"; do
  IFS=';' read -r package holds matches needs avoids <<< "$(tr '\n' ' ' <<< "$row")"
  package="$(trim "$package")" matches="$(trim "$matches")"
  file="$(deb "$package")"
  [ -f "$file" ] || e2e_fail "no package $package: $(ls "$work")"
  dpkg-deb --contents "$file" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); sub(/^\.\/usr\//, ""); print }' \
    | grep -v -e '/$' -e '^$' > "$out/$package.contents"
  for f in $holds; do
    grep -qxF -- "${f/->/ -> }" "$out/$package.contents" || e2e_fail "$package lacks $f"
  done
  for f in copyright changelog.gz; do
    grep -qxF "share/doc/$package/$f" "$out/$package.contents" || e2e_fail "$package has no $f"
  done
  stray="$(sed 's/ -> .*//' "$out/$package.contents" | grep -vxE "($matches|share/doc/$package/(copyright|changelog\.gz))" || true)"
  [ -z "$stray" ] || e2e_fail "$package holds files of another package: $stray"
  depends="$(dpkg-deb --field "$file" Depends)"
  tr ',' '\n' <<< "$depends" | sed -E 's/^ *([^ ]+)( \(= ([^)]+)\))?.*/\1=\3/; s/=$//' > "$out/$package.depends"
  names="$(cut -d= -f1 "$out/$package.depends")"
  for p in $needs; do
    if [[ "$p" == *=* ]]; then grep -qxF "$p" "$out/$package.depends"; else grep -qxF "$p" <<< "$names"; fi \
      || e2e_fail "$package does not depend on $p: $depends"
  done
  for p in $avoids; do
    ! grep -qxF "$p" <<< "$names" || e2e_fail "$package depends on $p: $depends"
  done
  echo "$package: $(wc -l < "$out/$package.contents") files; Depends: $depends"
done

# The copyright files, the runtime's shlibs and ldconfig trigger, the SONAMEs, the manifests.
root="$work/root"
for file in "$work"/*.deb; do dpkg-deb --extract "$file" "$root"; done
for package in "$runtime" libkorva2d-vr-dev vortex-raiders vortex-scores; do
  copyright="$root/usr/share/doc/$package/copyright"
  for line in "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
              "Copyright: 2026 The Vortex Raiders developers" "License: Zlib"; do
    grep -qxF "$line" "$copyright" || e2e_fail "$package's copyright lacks \"$line\""
  done
done
dpkg-deb --info "$(deb "$runtime")" shlibs > "$out/shlibs"
dpkg-deb --info "$(deb "$runtime")" triggers > "$out/triggers"
for line in "libKorva2D_VR $KORVA2D_SOVERSION $runtime (>= $VR_VERSION)" "activate-noawait ldconfig"; do
  grep -qxF "$line" "$out/shlibs" "$out/triggers" || e2e_fail "the runtime package's control lacks \"$line\""
done
for so in "$KORVA2D_LIBRARY=$KORVA2D_SONAME" "$VR_PLATFORM_LIBRARY=$VR_PLATFORM_SONAME"; do
  readelf -d "$root/usr/lib/${so%=*}" | grep -qF "Library soname: [${so#*=}]" || e2e_fail "${so%=*} has not the SONAME ${so#*=}"
done
for manifest in "$root"/usr/lib/*/vr-classes.manifest; do
  [ "$(tr -d '\r' < "$manifest" | grep "^Server=" | sort -u)" = "Server=../$KORVA2D_SONAME" ] || e2e_fail "$manifest does not name ../$KORVA2D_SONAME"
done

# All of them unpacked: the game starts; a client builds with find_package.
"$here/game_reaches_window.sh" "$root/usr/games/VortexRaiders" "$out/game-start.log"
"${CMAKE:-cmake}" -S "$client_src" -B "$work/client" -G Ninja -DCMAKE_PREFIX_PATH="$root/usr" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="$flags" > "$out/client.log" 2>&1 && "${CMAKE:-cmake}" --build "$work/client" >> "$out/client.log" 2>&1 \
  || { cat "$out/client.log"; e2e_fail "the client does not build against the unpacked packages"; }
# The runtime package alone serves the client: the machine-wide manifest names a file it holds.
rm -rf "$root"
dpkg-deb --extract "$(deb "$runtime")" "$root"
mkdir -p "$work/folder"
(unset LD_LIBRARY_PATH; VR_COM_REGISTRY="$work/none.ini" SDL_AUDIODRIVER=dummy "$work/client/korva2d_client" "$work/folder") \
  > "$out/client.txt" 2>&1 || { cat "$out/client.txt"; e2e_fail "the client failed on the runtime package alone"; }
grep -qxF "created from $(realpath "$root")/usr/lib/$KORVA2D_SONAME" "$out/client.txt" || { cat "$out/client.txt"; e2e_fail "wrong library"; }

if command -v lintian > /dev/null; then
  lintian --fail-on error --tag-display-limit 0 "$work"/*.deb > "$out/lintian.txt" 2>&1 \
    || { cat "$out/lintian.txt"; e2e_fail "lintian found errors"; }
  echo "lintian: no errors; $(grep -c '^W:' "$out/lintian.txt" || true) warnings (in $out/lintian.txt)"
else
  echo "lintian is not installed: not run"
fi
echo "the four packages hold their own files; the game starts and a client builds from them; the runtime serves it alone"
