#!/bin/bash
# Frame times of the web page in headless Chromium (WebGL on SwiftShader)
# beside the native offscreen benchmark (kelvane_bench on Mesa), per timeline
# row at the designed size, the two sides interleaved row by row so that they
# meet the same load; then the first frame's delay after the click over 5
# loads on loopback, and the sizes of what the page downloads, raw and
# gzipped.
#
#   bench/web.sh
#
# Both sides draw 40 moments spread over each row's window at level 0 and
# wait for each frame (native at 676 x 526, the video's even size; web at
# 675 x 525). Wall time is the median frame; CPU time is per frame, summed
# over every thread of the process (native: kelvane_bench with llvmpipe's
# threads; web: every Chromium process, SwiftShader's GPU process included).
# Goals: every web median at most 33 ms, the particles at most 1.5 times
# their native time, the median first frame within 0.2 s of the click.
# Needs a build with KELVANE_WEB=ON and the web tests' driver (ctest -R
# web_driver), or KELVANE_WEB_DRIVER naming it.
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
NODE_PATH=$driver/node_modules node tests/web/drive.js bench "$build/web" "$build/kelvane_bench" \
  >"$work/bench.txt"

python3 - "$work/bench.txt" <<'PY'
import statistics, sys
print(f"{'':19} {'---------- web (ms) ----------':>29}  {'-------- native (ms) ---------':>30}")
print(f"{'row':>3} {'scene':<15} {'median':>8} {'p99':>8} {'CPU':>8}  {'median':>8} {'worst':>8} "
      f"{'CPU':>8}  {'web/native':>10}")
over, first = [], []
for line in open(sys.argv[1]):
    if line.startswith("first-frame "):
        first.append(float(line.split()[1]))
        continue
    row, scene, *v = line.split()
    wm, wp, wc, nm, nw, nc = map(float, v)
    print(f"{row:>3} {scene:<15} {wm:>8.2f} {wp:>8.2f} {wc:>8.2f}  {nm:>8.2f} {nw:>8.2f} "
          f"{nc:>8.2f}  {wm / nm:>10.2f}")
    if wm > 33:
        over.append(f"row {row} {scene}: median {wm:.1f} ms > 33 ms")
    if scene == "ParticleMorph" and wm > 1.5 * nm:
        over.append(f"ParticleMorph: {wm / nm:.2f} x native > 1.5")
median = statistics.median(first)
print(f"first frame after the click, {len(first)} loads: "
      f"{' '.join(f'{f:.0f}' for f in first)} ms; median {median:.0f} ms (goal 200 ms)")
if median > 200:
    over.append(f"first frame {median:.0f} ms > 200 ms")
print("goals met" if not over else "goals missed: " + "; ".join(over))
PY

echo "sizes (raw, gzip -9):"
for f in kelvane.wasm kelvane.js kelvane.data.gz index.html; do
  printf '  %-13s %9d %9d\n' "$f" "$(stat -c %s "$build/web/$f")" "$(gzip -9c "$build/web/$f" | wc -c)"
done
code=$(cat "$build/web/kelvane.wasm" "$build/web/kelvane.js" "$build/web/index.html" | gzip -9c | wc -c)
echo "  code gzipped together: $code bytes (goal: under 150 KB)"
