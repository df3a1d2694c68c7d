#!/bin/bash
# Installs what building and playing need, builds the demo and its tools
# (without the tests), generates the asset pack and plays the demo from
# build/data. With no display, renders kelvane.mp4 instead.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
# shellcheck disable=SC2086
kelvane_install_packages $KELVANE_RUN_PACKAGES
kelvane_build -DBUILD_TESTING=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the demo window on: rendering kelvane.mp4 with the capture tool instead."
  exec ./build/kelvane-capture --video kelvane.mp4 --data build/data
fi
cd build/data
exec ../kelvane
