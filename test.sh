#!/bin/bash
# Installs what is missing, builds everything with warnings as errors, and
# runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
# shellcheck disable=SC2086
kelvane_install_packages $KELVANE_RUN_PACKAGES $KELVANE_TEST_PACKAGES
kelvane_build -DBUILD_TESTING=ON -DKELVANE_WERROR=ON
cd build
ctest --output-on-failure -j2 --timeout 1200
