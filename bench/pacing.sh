#!/bin/bash
# Frame pacing and start-up under Xvfb (1024x768, 60 Hz as SDL reports it),
# with SDL's silent sound driver: the bare demo, then kelvane-player with
# vsync and with --no-vsync. Each plays SECONDS (default 20) from the start
# of the timeline and is then asked to close; the swap timer
# (bench/swap_times.cpp) prints the time from start to the first and second
# swap and the median, p99 and dropped frames of the intervals.
#   bench/pacing.sh [SECONDS]
# The demo's first swap is its black first appearance; its first frame is
# the second swap. The player's first swap is its first frame.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=$(pwd)/build
for f in kelvane kelvane-player libkelvane_swap_times.so; do
  [ -e "$build/$f" ] || { echo "bench/pacing.sh: no build/$f; build it first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" SDL_AUDIODRIVER=dummy
cd "$build/data"
run() {
  local label=$1
  shift
  LD_PRELOAD="$build/libkelvane_swap_times.so" "$@" 2>"$work/err" &
  local pid=$!
  sleep "$seconds"
  kill -TERM $pid 2>/dev/null
  wait $pid || true
  echo "$label: $(grep '^swaps:' "$work/err")"
}
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
run "kelvane (bare demo)  " ../kelvane
run "kelvane-player       " ../kelvane-player
run "kelvane-player --no-vsync" ../kelvane-player --no-vsync
