#!/bin/bash
# Times whole-timeline video captures and prints each as a ratio to the
# timeline's 132.65 s of demo: the median of three runs (wall clock), with the
# CPU time of the run (kelvane-capture and ffmpeg together) beside it.
#
#   bench/capture.sh [designed|1080p|all] [CAPTURE OPTION...]
#
# designed: 676 x 526 at 60 fps; 1080p: 1920 x 1080 at 30 fps; all: both
# (the default). Any further options go to kelvane-capture, for example
# --jobs 2. KELVANE_CAPTURE names the program (default build/kelvane-capture),
# KELVANE_DATA the asset pack (default build/data), KELVANE_BENCH_RUNS the
# number of runs (default 3). The load average is printed before each run:
# other work on the machine slows every ratio.
set -euo pipefail
cd "$(dirname "$0")/.."

readonly timeline_s=132.65
tool=${KELVANE_CAPTURE:-build/kelvane-capture}
data=${KELVANE_DATA:-build/data}
runs=${KELVANE_BENCH_RUNS:-3}
which=${1:-all}
[ $# -gt 0 ] && shift
case "$which" in
  designed | 1080p | all) ;;
  *)
    echo "usage: bench/capture.sh [designed|1080p|all] [CAPTURE OPTION...]" >&2
    exit 2
    ;;
esac
[ -x "$tool" ] || { echo "bench/capture.sh: no $tool; build it first" >&2; exit 1; }

scratch=$(mktemp -d /tmp/kelvane-capture-bench-XXXXXX)
trap 'rm -rf "$scratch"' EXIT

# bench NAME CAPTURE-OPTION...: runs the capture $runs times, prints each run
# and the median ratio.
bench() {
  local name=$1
  shift
  local walls=() run
  for run in $(seq "$runs"); do
    local load
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    local TIMEFORMAT='%R %U %S' times
    times=$({ time "$tool" --video "$scratch/$name.mp4" --data "$data" "$@" 2>/dev/null; } 2>&1)
    read -r wall user sys <<<"$times"
    walls+=("$wall")
    printf '%-8s run %d: %7.1f s wall, %7.1f s CPU, %5.3fx real time (load %s), %s bytes\n' \
      "$name" "$run" "$wall" "$(echo "$user + $sys" | bc)" "$(echo "$wall / $timeline_s" | bc -l)" \
      "$load" "$(stat -c %s "$scratch/$name.mp4")"
  done
  local median
  median=$(printf '%s\n' "${walls[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p")
  printf '%-8s median %.1f s: %.3fx real time\n' "$name" "$median" \
    "$(echo "$median / $timeline_s" | bc -l)"
}

if [ "$which" != 1080p ]; then bench designed "$@"; fi
if [ "$which" != designed ]; then bench 1080p --size 1920x1080 --fps 30 "$@"; fi
