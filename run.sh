#!/bin/bash
# Installs what is missing, builds, generates the asset pack and plays the
# demo from build/data. With no display, renders kelvane.mp4 instead.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
kelvane_install_packages
kelvane_build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the demo window on: rendering kelvane.mp4 with the capture tool instead."
  exec ./build/kelvane-capture --video kelvane.mp4 --data build/data
fi
cd build/data
exec ../kelvane
