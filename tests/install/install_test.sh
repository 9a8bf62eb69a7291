#!/usr/bin/env bash
# The project installed with `cmake --install` into a temporary prefix, which is
# then moved (every path the install holds is relative): the layout with the
# libraries' versioned files and SONAME links and the licence, RUNPATHs free of
# the build tree, the installed game finding its art and its library's classes,
# a client built outside the tree against the installed library with pkg-config
# and with find_package, and the installed examples built by their own
# CMakeLists.txt, and run: the client, the sound-only example and the demo
# (--frames) headless, the documented example under Xvfb until Escape. Only
# the machine-wide manifest of the prefix can supply the classes: the clients'
# folders have none and the user's registry is empty.
#   [CMAKE=cmake] install_test.sh BUILD_DIR LIBDIR CLIENT_SOURCES CXX [CLIENT_FLAGS]
# The environment names the libraries' files: KORVA2D_LIBRARY, KORVA2D_SONAME,
# VR_PLATFORM_LIBRARY, VR_PLATFORM_SONAME.
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../e2e/lib.sh"
build="$1"
libdir="$2"
client_src="$3"
cxx="$4"
flags="${5:-}"
out="$OUT"
work="$(mktemp -d /tmp/vr-install.XXXXXX)"
e2e_at_exit 'rm -rf "$work"'

"${CMAKE:-cmake}" --install "$build" --prefix "$work/staged" > "$out/install.log" 2>&1 || { cat "$out/install.log"; exit 1; }
mv "$work/staged" "$work/prefix"
prefix="$work/prefix"
lib="$prefix/$libdir"

for f in games/VortexRaiders bin/vr-regsvr "$libdir/libKorva2D_VR.so" "$libdir/libvrplatform.so" \
         "$libdir/$KORVA2D_SONAME" "$libdir/$KORVA2D_LIBRARY" "$libdir/$VR_PLATFORM_SONAME" "$libdir/$VR_PLATFORM_LIBRARY" \
         share/doc/korva2d/LICENSE share/doc/vortex-raiders/LICENSE share/korva2d/examples/CMakeLists.txt \
         "$libdir/vrplatform/vr-classes.manifest" "$libdir/vortex-raiders/vr-classes.manifest" \
         "$libdir/vortex-raiders/menu.jpg" "$libdir/vortex-raiders/art/PicPlayer.png" "$libdir/vortex-raiders/fire1.wav" \
         include/korva2d/korva2d_calls.h include/platform/com.h "$libdir/pkgconfig/korva2d.pc" \
         "$libdir/cmake/Korva2D/Korva2DConfig.cmake" share/korva2d/samples/font.png \
         share/applications/vortex-raiders.desktop share/icons/hicolor/48x48/apps/vortex-raiders.png \
         bin/korva2d-demo share/doc/korva2d/engine.md; do
  [ -e "$prefix/$f" ] || e2e_fail "not installed: $f"
done
for f in "$lib"/*.so "$prefix"/bin/* "$lib/vortex-raiders/VortexRaiders"; do
  if readelf -d "$f" | grep -E "R(UN)?PATH" | grep -vE '\[(\$ORIGIN[^:]*:?)+\]$'; then e2e_fail "$f has a path outside the prefix"; fi
done
if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$prefix/share/applications/vortex-raiders.desktop" || e2e_fail "the desktop entry is not valid"
fi
identify -format "%wx%h %[channels]\n" "$prefix/share/icons/hicolor/48x48/apps/vortex-raiders.png" | grep -q "^48x48 srgba" \
  || e2e_fail "the 48x48 icon is not a 48 x 48 picture with transparency"

# A folder of nowhere in particular, an empty user registry, no display.
mkdir -p "$work/run" "$work/xdg"
export XDG_DATA_HOME="$work/xdg" XDG_CONFIG_HOME="$work/xdg" VR_COM_REGISTRY="$work/none.ini"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
unset LD_LIBRARY_PATH DISPLAY
cd "$work/run"

"$prefix/games/VortexRaiders" --help > "$out/game-help.txt" || e2e_fail "VortexRaiders --help failed"
grep -q "^Usage: VortexRaiders" "$out/game-help.txt" || e2e_fail "VortexRaiders --help printed no usage"
"$here/game_reaches_window.sh" "$prefix/games/VortexRaiders" "$out/game-start.log"

# run_client NAME PROGRAM: a sound-only start in a fresh folder, the version, the installed library.
run_client() {
  local name="$1" program="$2" folder="$work/$1-folder"
  mkdir -p "$folder"
  "$program" "$folder" > "$out/$name.txt" 2>&1 || { cat "$out/$name.txt"; e2e_fail "$name failed"; }
  grep -qxF "$VR_ENGINE_VERSION_TEXT" "$out/$name.txt" || { cat "$out/$name.txt"; e2e_fail "$name: wrong version"; }
  grep -qxF "created from $(realpath "$lib")/$KORVA2D_SONAME" "$out/$name.txt" \
    || { cat "$out/$name.txt"; e2e_fail "$name: the class was not created from the installed library"; }
  grep -q "APPLICATION STARTED" "$folder/log.txt" || e2e_fail "$name: no start in its log.txt"
  echo "$name: $(head -1 "$out/$name.txt")"
}

export PKG_CONFIG_PATH="$lib/pkgconfig"
# shellcheck disable=SC2086,SC2046
"$cxx" -std=c++20 $flags "$client_src/korva2d_client.cpp" -o "$work/pc-client" $(pkg-config --cflags --libs korva2d) \
  || e2e_fail "the client does not build with pkg-config"
run_client pkg-config "$work/pc-client"
# The user's registry comes before the machine-wide manifest: a library registered there is the one used.
VR_COM_REGISTRY="$work/user.ini" "$build/bin/vr-regsvr" "$build/bin/libKorva2D_VR.so" > /dev/null
mkdir -p "$work/registered-folder"
VR_COM_REGISTRY="$work/user.ini" "$work/pc-client" "$work/registered-folder" > "$out/registered.txt" 2>&1 \
  || { cat "$out/registered.txt"; e2e_fail "the client failed with the library registered by the user"; }
grep -qxF "created from $(realpath "$build/bin")/$KORVA2D_LIBRARY" "$out/registered.txt" \
  || { cat "$out/registered.txt"; e2e_fail "the user's registration did not come before the machine-wide manifest"; }

examples="$prefix/share/korva2d/examples"
samples="$(pkg-config --variable=samplesdir korva2d)"
[ -f "$samples/font.png" ] || e2e_fail "the sample assets are not installed"
"${CMAKE:-cmake}" -S "$client_src" -B "$work/cmake-client" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="$flags" > "$out/find-package.log" 2>&1 \
  && "${CMAKE:-cmake}" --build "$work/cmake-client" >> "$out/find-package.log" 2>&1 \
  || { cat "$out/find-package.log"; e2e_fail "the client does not build with find_package"; }
run_client find-package "$work/cmake-client/korva2d_client"

# The installed examples, built by the CMakeLists.txt installed with them; they find
# the samples through the link it makes beside them.
"${CMAKE:-cmake}" -S "$examples" -B "$work/examples" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="$flags" > "$out/examples.log" 2>&1 \
  && "${CMAKE:-cmake}" --build "$work/examples" >> "$out/examples.log" 2>&1 \
  || { cat "$out/examples.log"; e2e_fail "the installed examples do not build with their CMakeLists.txt"; }
# shellcheck disable=SC2086,SC2046
"$cxx" -std=c++20 $flags "$examples/hello.cpp" -o "$work/pc-hello" $(pkg-config --cflags --libs korva2d) \
  || e2e_fail "the installed hello.cpp does not build with pkg-config"
"$work/examples/korva2d-sound_only" > "$out/sound_only.txt" 2>&1 && grep -q "frames in the last second" "$out/sound_only.txt" \
  || { cat "$out/sound_only.txt"; e2e_fail "the sound-only example did not run to its end"; }
echo "sound_only: $(cat "$out/sound_only.txt")"
if command -v Xvfb > /dev/null && command -v xdotool > /dev/null; then
  e2e_display
  e2e_start hello env -u SDL_VIDEODRIVER "$work/examples/korva2d-hello"
  e2e_window "Hello, Korva2D"
  E2E_TIMEOUT=5 e2e_escape
  e2e_display_stop
  echo "hello: opened its window and ended on Escape"
fi
# The installed demo, started through its link, finds the samples beside itself.
"$prefix/bin/korva2d-demo" --frames 3 > "$out/demo.log" 2>&1 || { cat "$out/demo.log"; e2e_fail "the installed demo failed"; }
[ -s "$samples/screenshot001.bmp" ] || e2e_fail "the installed demo saved no screenshot among the samples"
echo "korva2d-demo: three frames and a screenshot from the installed samples"
echo "installed, moved, and used from $prefix"
