#!/bin/bash
# The web page's checks in headless Chromium (drive.js); see web.cmake.
#   run.sh driver PACKAGE_DIR DRIVER_DIR
#       installs the pinned puppeteer-core into DRIVER_DIR (npm ci, from
#       npm's cache when it has it)
#   run.sh sound DRIVER_DIR WEB_DIR NATIVE_MUSIC DATA WORK
#   run.sh live DRIVER_DIR WEB_DIR SHOTS_DIR
set -euo pipefail
mode=$1
here=$(cd "$(dirname "$0")" && pwd)
case "$mode" in
  driver)
    src=$2 dir=$3
    mkdir -p "$dir"
    # Installed once per lock file; a changed lock installs again.
    if ! cmp -s "$src/package-lock.json" "$dir/package-lock.json" || [ ! -d "$dir/node_modules" ]; then
      cp "$src/package.json" "$src/package-lock.json" "$dir/"
      (cd "$dir" && npm ci --prefer-offline --no-audit --no-fund)
    fi
    ;;
  sound)
    driver=$2 web=$3 native=$4 data=$5 work=$6
    mkdir -p "$work"
    # Three moments spread over the song, in ms after its first sample.
    read -r frames levels < <("$native" "$data/kel.mp3" "$work/native.pcm" 3000 47000 125000)
    # shellcheck disable=SC2086
    NODE_PATH=$driver/node_modules node "$here/drive.js" sound "$web" "$work/native.pcm" "$frames" $levels
    ;;
  live)
    driver=$2 web=$3 shots=$4
    NODE_PATH=$driver/node_modules node "$here/drive.js" live "$web" "$shots"
    ;;
  *) echo "run.sh: unknown mode $mode" >&2; exit 2 ;;
esac
