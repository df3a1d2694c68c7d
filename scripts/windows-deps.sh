#!/bin/bash
# Builds what the Windows programs link for 64-bit Windows from Debian's own
# source packages, with the mingw-w64 toolchain, into PREFIX (bin/ the DLLs,
# lib/ the libraries and CMake packages, include/, licenses/): SDL2,
# SDL2_mixer and SDL2_ttf as DLLs; FreeType (inside SDL2_ttf.dll) and libpng
# (for the player's screenshots) linked in statically, over the zlib of
# Debian's libz-mingw-w64-dev. Skipped when PREFIX
# already holds this build. The sources come through apt from the Debian
# mirror this machine already uses, with a deb-src list and apt state of our
# own beside PREFIX, so the system's apt configuration is left as it is.
# SDL2_mixer gets its built-in MP3 decoder (dr_mp3) and WAVE only, FreeType
# none of its optional codecs.
#
#   scripts/windows-deps.sh PREFIX TOOLCHAIN_FILE
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 PREFIX TOOLCHAIN_FILE" >&2
  exit 2
fi
prefix=$1
toolchain=$(realpath "$2")
stamp="$prefix/.kelvane-deps"
want="libsdl2 libsdl2-mixer (dr_mp3) freetype libsdl2-ttf libpng1.6 for x86_64-w64-mingw32"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
  exit 0
fi
work="$prefix-src"
rm -rf "$work"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$prefix"
prefix=$(realpath "$prefix")
work=$(realpath "$work")

# The mirror of the main archive, from the deb822 sources or the one-line list.
mirror=$(awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list.d/*.sources \
  2>/dev/null || true)
if [ -z "$mirror" ]; then
  mirror=$(awk '$1 == "deb" && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list \
    /etc/apt/sources.list.d/*.list 2>/dev/null || true)
fi
if [ -z "$mirror" ]; then
  echo "$0: no Debian mirror found in /etc/apt/sources.list or /etc/apt/sources.list.d" >&2
  exit 1
fi
. /etc/os-release
echo "deb-src $mirror $VERSION_CODENAME main" >"$work/apt/sources.list"
apt_opts=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=-"
  -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
  -o "APT::Sandbox::User=root" -qq)
packages=(libsdl2 libsdl2-mixer freetype libsdl2-ttf libpng1.6)
echo "Fetching the sources of ${packages[*]} from $mirror"
apt-get "${apt_opts[@]}" update || { echo "$0: apt-get update failed for $mirror" >&2; exit 1; }
(cd "$work" && apt-get "${apt_opts[@]}" source "${packages[@]}" >/dev/null) ||
  { echo "$0: apt-get source ${packages[*]} failed" >&2; exit 1; }

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache)
# build NAME SOURCE_GLOB LICENCE_FILE CMAKE_OPTION...
build() {
  local name=$1 src licence=$3
  src=$(echo "$work"/$2)
  shift 3
  # Each library once, even when an earlier run stopped after it.
  [ -f "$prefix/licenses/$name.txt" ] && return 0
  echo "Building $name for Windows"
  cmake -S "$src" -B "$work/build-$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" \
    "${launcher[@]}" "$@" >"$work/$name-configure.log" ||
    { cat "$work/$name-configure.log" >&2; echo "$0: configuring $name failed" >&2; exit 1; }
  cmake --build "$work/build-$name" -j "${CMAKE_BUILD_PARALLEL_LEVEL:-2}" >"$work/$name-build.log" ||
    { tail -40 "$work/$name-build.log" >&2; echo "$0: building $name failed" >&2; exit 1; }
  cmake --install "$work/build-$name" --strip >/dev/null
  mkdir -p "$prefix/licenses"
  cp "$src/$licence" "$prefix/licenses/$name.txt"
}
build SDL2 "libsdl2-[0-9]*/" LICENSE.txt -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF
build SDL2_mixer "libsdl2-mixer-[0-9]*/" LICENSE.txt -DSDL2_DIR="$prefix/lib/cmake/SDL2" -DBUILD_SHARED_LIBS=ON -DSDL2MIXER_SAMPLES=OFF \
  -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF \
  -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_VORBIS= -DSDL2MIXER_MP3=ON \
  -DSDL2MIXER_MP3_DRMP3=ON -DSDL2MIXER_MP3_MPG123=OFF -DSDL2MIXER_WAVE=ON
build FreeType "freetype-[0-9]*/" docs/FTL.TXT -DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_ZLIB=ON \
  -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
build SDL2_ttf "libsdl2-ttf-[0-9]*/" LICENSE.txt -DSDL2_DIR="$prefix/lib/cmake/SDL2" \
  -DBUILD_SHARED_LIBS=ON -DSDL2TTF_SAMPLES=OFF -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF
build libpng "libpng1.6-[0-9]*/" LICENSE -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a \
  -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include
rm -rf "$work"
echo "$want" >"$stamp"
