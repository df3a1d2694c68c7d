#!/bin/bash
# Drives the fuzzers from ctest (tests/fuzz.cmake).
#   fuzz/run.sh OUT build            configures and builds the fuzzers in OUT
#   fuzz/run.sh OUT TARGET SECONDS   replays TARGET's seed corpus and crash
#                                    files, then fuzzes for SECONDS seconds
# TARGET is bitmap, asc, sound, level, capture_args, player_args or probe. New inputs found while fuzzing go to a scratch
# folder, never into the checked-in corpus; a crash is written to OUT and
# fails the test.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$1"
what="$2"

if [ "$what" = build ]; then
  cmake -S "$here" -B "$out" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$out" -j2
  exit 0
fi

bin="$out/${what}_fuzzer"
seconds="${3:-20}"
[ -x "$bin" ] || { echo "$bin is not built" >&2; exit 1; }
options=(-timeout=10 -rss_limit_mb=2048 -max_len=8192)
[ -f "$here/$what.dict" ] && options+=("-dict=$here/$what.dict")

shopt -s nullglob
replay=("$here/corpus/$what"/* "$here/crashes/$what"/*)
echo "replaying ${#replay[@]} inputs"
"$bin" "${options[@]}" "${replay[@]}" 2>&1 | tail -n 3

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
"$bin" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$out/$what-" "$scratch" "$here/corpus/$what" 2>&1 |
  grep -E "stat::number_of_executed_units|stat::new_units_added|ERROR|SUMMARY|#[0-9]+[[:space:]]+DONE"
