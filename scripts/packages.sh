# Shared by run.sh and test.sh: installs the Debian packages a step needs, or,
# when not root, prints the exact command to run and stops.
#
# Building and playing: the compiler and CMake, SDL2 with SDL2_mixer and
# SDL2_ttf (the player's on-screen text, in DejaVu Sans), Xlib (the player
# reads the desktop's scale from the X resources), Mesa's OpenGL, GLU and
# EGL, libpng, FreeType with the DejaVu fonts and LAME for the asset
# generator, and ffmpeg for the capture tool's videos.
KELVANE_RUN_PACKAGES="build-essential cmake pkg-config libsdl2-dev libsdl2-mixer-dev \
libsdl2-ttf-dev libx11-dev libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri \
libpng-dev libfreetype-dev fonts-dejavu-core libmp3lame-dev ffmpeg"
# The Windows zip (scripts/windows-zip.sh, and the ci build): the mingw-w64
# cross compiler and zlib for it; SDL2, SDL2_mixer, SDL2_ttf, FreeType and
# libpng are built for it from Debian's source packages, which apt-get
# source unpacks with dpkg-dev.
KELVANE_WINDOWS_PACKAGES="g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev"
# Testing, on top of those: GoogleTest and Google Benchmark, clang with its
# sanitizer runtime for the fuzzers, Xvfb and the X tools for the end-to-end
# runs, bc for their timing, what the install test validates with (lintian
# for the .debs), and Python for the bad-asset matrix and the player's
# pictures. The player's runs add a window manager (openbox), xdotool for the
# keys, xwd for screenshots and xrdb for the HiDPI screen's resources. Then
# OpenGL ES 2 for the fixed-function layer's native build, and emscripten,
# node and chromium for the web page (npm, which the web tests install their
# driver with, comes with nodejs from some sources and as its own package
# from Debian's). The Windows zip adds its own packages and Wine to test it.
KELVANE_TEST_PACKAGES="libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev \
xvfb x11-utils bc desktop-file-utils appstream man-db dpkg-dev lintian python3 \
openbox xdotool x11-apps x11-xserver-utils libgles-dev emscripten nodejs chromium \
$KELVANE_WINDOWS_PACKAGES wine64"

# kelvane_install_packages PACKAGE...
kelvane_install_packages() {
  local missing=""
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Kelvane needs these Debian packages, which are not installed:" >&2
    echo "  sudo apt-get install -y$missing" >&2
    echo "Run that command, then run this script again." >&2
    exit 1
  fi
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || { echo "apt-get update failed" >&2; exit 1; }
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing || { echo "apt-get install failed" >&2; exit 1; }
}
