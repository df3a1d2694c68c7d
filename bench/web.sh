#!/bin/bash
# Frame times of the web page in headless Chromium (WebGL on SwiftShader)
# beside the native offscreen benchmark (kelvane_bench on Mesa), per timeline
# row at the designed size, in one run; then the sizes of what the page
# downloads, raw and gzipped.
#
#   bench/web.sh
#
# Both sides draw 40 moments spread over each row's window at level 0 and
# wait for each frame (native at 676 x 526, the video's even size; web at
# 675 x 525). Goals: every web median at most 33 ms, the particles at most
# 1.5 times their native time. Needs a build with KELVANE_WEB=ON and the web
# tests' driver (ctest -R web_driver), or KELVANE_WEB_DRIVER naming it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KELVANE_BUILD:-build}
driver=${KELVANE_WEB_DRIVER:-$build/web-driver}
[ -f "$build/web/kelvane.wasm" ] || { echo "bench/web.sh: no $build/web; build with -DKELVANE_WEB=ON" >&2; exit 1; }
[ -d "$driver/node_modules" ] || { echo "bench/web.sh: no driver in $driver; run ctest -R web_driver" >&2; exit 1; }
[ -x "$build/kelvane_bench" ] || { echo "bench/web.sh: no $build/kelvane_bench" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/kelvane_bench" --benchmark_filter='Scene/.*/676x526' --benchmark_format=json \
  >"$work/native.json" 2>/dev/null
NODE_PATH=$driver/node_modules node tests/web/drive.js bench "$build/web" >"$work/web.txt"

python3 - "$work/native.json" "$work/web.txt" <<'PY'
import json, sys
native = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    native[b["name"].split("/")[1]] = (b["median_ms"], b["worst_ms"])
print(f"{'row':>3} {'scene':<15} {'web median':>10} {'web p99':>8} {'native median':>13} "
      f"{'native worst':>12} {'web/native':>10}")
over = []
for line in open(sys.argv[2]):
    row, scene, median, p99 = line.split()
    median, p99 = float(median), float(p99)
    nm, nw = native.get(scene, (float("nan"), float("nan")))
    print(f"{row:>3} {scene:<15} {median:>10.2f} {p99:>8.2f} {nm:>13.2f} {nw:>12.2f} "
          f"{median / nm:>10.2f}")
    if median > 33:
        over.append(f"row {row} {scene}: median {median:.1f} ms > 33 ms")
    if scene == "ParticleMorph" and median > 1.5 * nm:
        over.append(f"ParticleMorph: {median / nm:.2f} x native > 1.5")
print("goals met" if not over else "goals missed: " + "; ".join(over))
PY

echo "sizes (raw, gzip -9):"
for f in kelvane.wasm kelvane.js kelvane.data index.html; do
  printf '  %-13s %9d %9d\n' "$f" "$(stat -c %s "$build/web/$f")" "$(gzip -9c "$build/web/$f" | wc -c)"
done
code=$(cat "$build/web/kelvane.wasm" "$build/web/kelvane.js" "$build/web/index.html" | gzip -9c | wc -c)
echo "  code gzipped together: $code bytes (goal: under 150 KB)"
