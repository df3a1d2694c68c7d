#!/bin/bash
# The Windows zip in one command, on Debian: installs what is missing (the
# build's packages and the mingw-w64 cross compiler), makes the asset pack
# and the icons (the play preset, in build/), then the Windows programs and
# their zip (the windows preset, in build-windows/), and says where it is.
# ./test.sh tests the zip under Wine; this needs no Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
# shellcheck disable=SC2086
kelvane_install_packages $KELVANE_RUN_PACKAGES $KELVANE_WINDOWS_PACKAGES
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
cmake --workflow --preset play
cmake --workflow --preset windows
zip=$(ls build-windows/kelvane-*-win64.zip)
echo "The Windows zip: $(pwd)/$zip ($(du -h "$zip" | cut -f1)): unpack it anywhere and"
echo "double-click kelvane.exe."
