#!/bin/bash
# Installs what is missing, builds, and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
kelvane_install_packages
kelvane_build
cd build
ctest --output-on-failure -j2 --timeout 1200
