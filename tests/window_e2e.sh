#!/bin/bash
# End-to-end runs of the real demo binary under Xvfb, with SDL's silent sound
# driver. Usage: window_e2e.sh BUILD_DIR {full|nosound|noformat}
#   full      the window carries the exact caption, stays up, and the demo
#             ends by itself with status 0 once the timeline is over
#   nosound   no sound output: status 1, one line on stderr naming the cause,
#             and no window is ever shown
#   noformat  no OpenGL-capable format: "ChoosePixelFormat failed", status 0
#   nodisplay no display: one line saying so, status 1, nothing loaded
#   missing   started outside its data folder: one line naming the folder and
#             how to start it properly, then it plays (killed after 3 s)
set -u
build=$(cd "$1" && pwd)
mode=$2
caption="Kelvane Drossim / ZUW - 2002. "
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
cd "$build/data" || fail "no data directory"

case "$mode" in
full)
  start=$(date +%s.%N)
  SDL_AUDIODRIVER=dummy "$build/kelvane" 2>"$work/stderr" &
  demo=$!
  found=""
  for _ in $(seq 300); do
    if xwininfo -root -tree 2>/dev/null | grep -qF "\"$caption\""; then found=1; break; fi
    kill -0 $demo 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$found" ] || fail "no window captioned '$caption'"
  name=$(xprop -name "$caption" WM_NAME 2>/dev/null)
  [ "$name" = "WM_NAME(STRING) = \"$caption\"" ] || fail "caption is <$name>"
  size=$(xwininfo -name "$caption" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w"x"h}')
  echo "window up: $size"
  sleep 20
  kill -0 $demo 2>/dev/null || fail "the demo ended after 20 s, before its timeline"
  wait $demo
  status=$?
  end=$(date +%s.%N)
  elapsed=$(echo "$end - $start" | bc)
  echo "demo ended with status $status after $elapsed s"
  [ $status -eq 0 ] || { cat "$work/stderr" >&2; fail "status $status"; }
  grep -q "missing" "$work/stderr" && fail "the whole pack reported missing files: $(cat "$work/stderr")"
  # The timeline is 1300 demo units, 132.65 s after the music starts.
  [ "$(echo "$elapsed >= 132.6" | bc)" = 1 ] || fail "ended early, after $elapsed s"
  [ "$(echo "$elapsed < 200" | bc)" = 1 ] || fail "ended late, after $elapsed s"
  ;;
nosound)
  SDL_AUDIODRIVER=no-such-driver "$build/kelvane" 2>"$work/stderr" &
  demo=$!
  shown=""
  while kill -0 $demo 2>/dev/null; do
    xwininfo -root -tree 2>/dev/null | grep -qF "\"$caption\"" && xwininfo -name "$caption" 2>/dev/null | grep -q IsViewable && shown=1
    sleep 0.05
  done
  wait $demo
  status=$?
  [ $status -eq 1 ] || fail "status $status, expected 1"
  [ -z "$shown" ] || fail "the window was shown"
  lines=$(wc -l <"$work/stderr")
  grep -q "sound output" "$work/stderr" || fail "stderr does not name the cause: $(cat "$work/stderr")"
  grep -q "no-such-driver" "$work/stderr" || fail "stderr does not give SDL's reason: $(cat "$work/stderr")"
  echo "status 1, stderr ($lines line): $(cat "$work/stderr")"
  ;;
noformat)
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 30 "$build/kelvane" 2>"$work/stderr"
  status=$?
  [ $status -eq 0 ] || fail "status $status, expected 0"
  grep -qx "Error: ChoosePixelFormat failed" "$work/stderr" || fail "stderr: $(cat "$work/stderr")"
  echo "status 0 after: $(cat "$work/stderr")"
  ;;
nodisplay)
  cd "$work" || fail "no scratch folder"
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
    timeout 30 "$build/kelvane" 2>"$work/stderr"
  status=$?
  [ $status -eq 1 ] || fail "status $status, expected 1"
  [ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "stderr is not one line: $(cat "$work/stderr")"
  grep -q "^kelvane: no display to open the window on" "$work/stderr" || fail "stderr: $(cat "$work/stderr")"
  echo "status 1: $(cat "$work/stderr")"
  ;;
missing)
  mkdir "$work/elsewhere" && cd "$work/elsewhere" || fail "no scratch folder"
  SDL_AUDIODRIVER=dummy timeout 3 "$build/kelvane" 2>"$work/stderr"
  status=$?
  [ $status -eq 124 ] || fail "status $status: the demo did not play on"
  grep -q "^kelvane: 21 of its 21 asset files are missing from $work/elsewhere; " "$work/stderr" ||
    fail "stderr: $(cat "$work/stderr")"
  grep -q "launcher" "$work/stderr" || fail "no way to start it given: $(cat "$work/stderr")"
  echo "played on after: $(cat "$work/stderr")"
  # Every file of the pack but one: that one is counted.
  cp "$build"/data/*.* . && rm kel.bmp
  SDL_AUDIODRIVER=dummy timeout 3 "$build/kelvane" 2>"$work/stderr"
  grep -q "^kelvane: 1 of its 21 asset files are missing from " "$work/stderr" ||
    fail "with kel.bmp gone, stderr: $(cat "$work/stderr")"
  ;;
*) fail "unknown mode $mode" ;;
esac
