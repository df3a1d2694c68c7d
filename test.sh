#!/bin/bash
# Installs what is missing, then builds and tests everything in one CMake
# workflow (the ci preset, CMakePresets.json): the demo and its tools with
# warnings as errors, the web page, every ctest entry, and the sanitizer
# build in build/sanitize with its suites.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
# shellcheck disable=SC2086
kelvane_install_packages $KELVANE_RUN_PACKAGES $KELVANE_TEST_PACKAGES
command -v npm >/dev/null || kelvane_install_packages npm
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
cmake --workflow --preset ci
