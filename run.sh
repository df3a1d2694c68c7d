#!/bin/bash
# Installs what building and playing need, builds the demo and its tools
# (without the tests), generates the asset pack and plays the demo with
# kelvane-player (start card with the warning, keys, in silence when no
# sound output opens). The exact demo is build/kelvane, run from build/data.
# With no display, renders kelvane.mp4 instead.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
# shellcheck disable=SC2086
kelvane_install_packages $KELVANE_RUN_PACKAGES
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
cmake --workflow --preset play
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  video="$(pwd)/kelvane.mp4"
  echo "No display to open the demo window on: rendering $video with the capture tool"
  echo "instead (the whole 132.65 s timeline; about one to two minutes on two cores)."
  ./build/kelvane-capture --video "$video" --data build/data
  echo "The demo is in $video ($(du -h "$video" | cut -f1)); play it with any video player."
  exit 0
fi
exec ./build/kelvane-player --data build/data
