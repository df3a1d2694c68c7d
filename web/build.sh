#!/bin/bash
# Builds the web page into a folder with Debian's emscripten, offline:
#   web/build.sh OUT_DIR DATA_DIR ICON_PNG
# OUT_DIR gets index.html, kelvane.js, kelvane.wasm, the asset pack
# kelvane.data (the files kelvane-assetgen wrote into DATA_DIR) and
# favicon.png. Every source is compiled in one emcc call; warnings are
# errors when KELVANE_WERROR is 1 (as the CMake build passes it).
set -euo pipefail
out=${1:?usage: web/build.sh OUT_DIR DATA_DIR ICON_PNG}
data=${2:?usage: web/build.sh OUT_DIR DATA_DIR ICON_PNG}
icon=${3:?usage: web/build.sh OUT_DIR DATA_DIR ICON_PNG}
here=$(cd "$(dirname "$0")" && pwd)
src=$here/../src
command -v emcc >/dev/null || { echo "web/build.sh: emcc is missing: apt-get install emscripten" >&2; exit 1; }
# Debian's emcc needs the machine's node modules (acorn) on NODE_PATH.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# Its cache under /usr/share holds the prebuilt system libraries and is not
# ours to write (emcc takes a lock file in it): the build's own cache links
# to those libraries and keeps its lock beside them.
export EM_CACHE=${EM_CACHE:-$out.cache}
mkdir -p "$EM_CACHE"
for entry in /usr/share/emscripten/cache/*; do
  [ "$(basename "$entry")" = cache.lock ] || ln -sfn "$entry" "$EM_CACHE/$(basename "$entry")"
done

# The core as the native build has it, with the web's platform and program
# instead of SDL, EGL and the window's main.
sources=()
for f in "$src"/{platform,assets,geometry,scenes,demo}/*.cpp; do
  case "$(basename "$f")" in
    window_sdl.cpp | sound_sdl.cpp | player_window_sdl.cpp | player_sound_sdl.cpp | offscreen.cpp | \
      png_file.cpp | main.cpp | offscreen_demo.cpp) ;;
    *) sources+=("$f") ;;
  esac
done

# The pack: the generated files only, not the build's stamp files.
stage=$out.pack
rm -rf "$stage" && mkdir -p "$stage" "$out"
find "$data" -maxdepth 1 -type f ! -name '.*' -exec cp {} "$stage" \;

exports=_main,_malloc,_KelvaneMusicBuffer,_KelvanePlay,_KelvaneSeek,_KelvaneDemoTime,_KelvaneReducedFlashing,\
_KelvaneStill,_KelvaneRenderAt,_KelvaneRowCount,_KelvaneRunningSeconds,_KelvaneRowTime,_KelvaneRowBound,_KelvaneRowScene,_KelvaneLevelAt
version=$(sed -n 's/^project(kelvane VERSION \([0-9.]*\).*/\1/p' "$here/../CMakeLists.txt")
werror=()
[ "${KELVANE_WERROR:-0}" = 1 ] && werror=(-Werror)
emcc -std=c++17 -O2 -Wall -Wextra "${werror[@]}" -DKELVANE_GLES -DKELVANE_VERSION="\"$version\"" \
  -I"$src" "${sources[@]}" -o "$out/kelvane.js" \
  -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1 -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1 \
  -sEXPORTED_FUNCTIONS="$exports" -sEXPORTED_RUNTIME_METHODS=FS,UTF8ToString \
  --preload-file "$stage@/"
cp "$here/index.html" "$out/index.html"
cp "$icon" "$out/favicon.png"
rm -rf "$stage"
