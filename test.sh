#!/bin/bash
# Installs what is missing, builds everything with warnings as errors (the
# web page too), and runs every test through ctest; then builds the rig
# suites again with the sanitizers and runs them.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
# shellcheck disable=SC2086
kelvane_install_packages $KELVANE_RUN_PACKAGES $KELVANE_TEST_PACKAGES
command -v npm >/dev/null || kelvane_install_packages npm
# With the web page (build/web), which ctest checks in headless Chromium.
kelvane_build -DBUILD_TESTING=ON -DKELVANE_WERROR=ON -DKELVANE_WEB=ON
(cd build && ctest --output-on-failure -j2 --timeout 1200)

# Once more under AddressSanitizer (with LeakSanitizer) and
# UndefinedBehaviorSanitizer, in a build folder of its own: the rig suites,
# the bad-asset matrix and the whole timeline's leak check.
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
  -DKELVANE_WERROR=ON -DKELVANE_SANITIZE=ON
cmake --build build-sanitize -j"$(nproc)" \
  --target kelvane_tests kelvane_startup_tests kelvane-capture asset_pack
(cd build-sanitize && ctest -L sanitize --output-on-failure -j2 --timeout 1200)
