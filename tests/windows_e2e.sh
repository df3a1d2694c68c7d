#!/bin/bash
# The Windows zip under Wine, on Xvfb with openbox (a GL window without a
# window manager takes 2 s to close under Wine). The programs run from the
# unpacked zip's own folder, as a double-click in Explorer starts them, so
# they find data\ beside them. Usage: windows_e2e.sh BUILD_DIR MODE
#   prefix   makes the Wine prefix, once per run, in the build folder
#   zip      the zip holds the programs, SDL's DLLs, data\, README.txt and the
#            licences, the programs import Windows' own DLLs and SDL's only
#            and carry the icon and their version
#   levels   the music as dr_mp3 decodes it, trimmed by its LAME tag, meters
#            the levels libmpg123's does at demo times 800, 1000 and 1250
#   frames   the paused player shows the capture's frame, byte for byte, at
#            six moments across the timeline; at the last, its screenshot
#            (s) lands in My Pictures with the same pixels
#   hidpi    at 150 % (144 DPI) the player's window is 1.5 times the
#            designed size, drawn at the display's own pixels; its --data
#            names the pack through the folder "デモ"
#   demo     the demo runs 10 s on SDL's silent sound driver and ends with
#            status 0 when its window is closed
#   nosound  with no sound output the demo says why and ends with status 1
set -u
build=$(cd "$1" && pwd)
mode=$2
here=$(cd "$(dirname "$0")" && pwd)
win=$build/windows-build
# The prefix links My Pictures and the like to $HOME: a home of its own.
export HOME=$win/wine-home WINEPREFIX=$win/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
fail() { echo "FAIL: $*" >&2; [ -s "${work:-/nonexistent}/stderr" ] && cat "$work/stderr" >&2; exit 1; }
if [ "$mode" = prefix ]; then
  rm -rf "$WINEPREFIX" "$HOME"
  mkdir -p "$HOME"
  "$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot could not make $WINEPREFIX"
  /usr/lib/wine/wineserver -w
  echo "Wine prefix made in $WINEPREFIX"
  exit 0
fi
[ -d "$WINEPREFIX/drive_c/windows/system32" ] || fail "no Wine prefix in $WINEPREFIX"
zip=$(ls "$win"/kelvane-*-win64.zip 2>/dev/null | head -1)
[ -n "$zip" ] || fail "no zip in $win"
work=$(mktemp -d)
pids=""
trap 'for p in $pids; do kill $p 2>/dev/null; done; [ -n "${KEEP:-}" ] && cp -r "$work" "$KEEP"; rm -rf "$work"' EXIT
# Into a folder whose name is outside any ANSI code page of Wine's: every
# file name goes to Windows as UTF-16.
unpacked="$work/デモ"
python3 -m zipfile -e "$zip" "$unpacked" || fail "cannot unpack $zip"
folder=$(ls -d "$unpacked"/kelvane-*)

case "$mode" in
zip)
  for f in kelvane.exe kelvane-player.exe SDL2.dll SDL2_mixer.dll SDL2_ttf.dll DejaVuSans.ttf \
    README.txt LICENSE.txt licenses/SDL2.txt licenses/SDL2_mixer.txt licenses/SDL2_ttf.txt \
    licenses/FreeType.txt licenses/libpng.txt licenses/zlib.txt licenses/DejaVu.txt \
    data/kel.mp3; do
    [ -s "$folder/$f" ] || fail "$f is missing from $(basename "$zip")"
  done
  cmp -s "$folder/data/kel.mp3" "$build/data/kel.mp3" || fail "data\\kel.mp3 is not the pack's"
  [ "$(ls "$folder/data" | wc -l)" = "$(ls "$build/data" | wc -l)" ] || fail "data\\ is not the pack"
  # Every DLL imported is SDL's (in the zip) or Windows' own (in system32).
  for f in "$folder"/*.exe "$folder"/*.dll; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$f" | awk '/DLL Name:/{print $3}'); do
      [ -e "$folder/$dll" ] || ls "$WINEPREFIX/drive_c/windows/system32" | grep -qix "$dll" ||
        fail "$(basename "$f") imports $dll, neither SDL's nor Windows'"
    done
  done
  # Each program carries the icon (its 256-pixel PNG verbatim) and its
  # version, which Explorer shows.
  for f in kelvane.exe kelvane-player.exe; do
    python3 - "$folder/$f" "$build/icons/256x256/kelvane.png" <<'PY' ||
import sys
exe, png = (open(p, "rb").read() for p in sys.argv[1:])
sys.exit(not (png in exe and "ProductVersion".encode("utf-16-le") in exe))
PY
      fail "$f has no icon or no version in its resources"
  done
  echo "$(basename "$zip"): $(stat -c %s "$zip") bytes, $(python3 -m zipfile -l "$zip" | tail -n +2 | wc -l) files"
  exit 0
  ;;
levels)
  linux=$("$build/tests/kelvane-music-levels" "$build/data/kel.mp3") || fail "levels on Linux"
  windows=$("$wine" "$win/kelvane-music-levels.exe" "$build/data/kel.mp3" 2>"$work/stderr" | tr -d '\r') ||
    fail "levels under Wine"
  printf 'libmpg123 (Linux):\n%s\ndr_mp3 (Windows):\n%s\n' "$linux" "$windows"
  # Same length kept, and each kept level within 0.002 (the decoders round
  # differently).
  [ "$(echo "$linux" | awk '/kept/ && /decoded [0-9]+ frames/{print $NF}')" = \
    "$(echo "$windows" | awk '/kept/ && /decoded [0-9]+ frames/{print $NF}')" ] ||
    fail "the decoders keep different lengths"
  paste <(echo "$linux" | awk '/^level/{print $NF}') <(echo "$windows" | awk '/^level/{print $NF}') |
    awk '{d = $1 - $2; if (d < 0) d = -d; if (d > 0.002) bad = 1} END {exit bad}' ||
    fail "the levels differ"
  exit 0
  ;;
esac

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids="$!"
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
openbox --startup "touch $work/managed" >/dev/null 2>&1 &
pids="$pids $!"
for _ in $(seq 200); do [ -e "$work/managed" ] && break; sleep 0.1; done
[ -e "$work/managed" ] || fail "openbox did not start within 20 s"
# start PROGRAM ARGS...: runs it under Wine from the unpacked folder in the
# background ($app) and waits up to 60 s for its window ($wid).
start() {
  (cd "$folder" && exec "$wine" "$@" 2>"$work/stderr") &
  app=$!
  pids="$pids $app"
  wid=""
  for _ in $(seq 600); do
    for w in $(xdotool search --onlyvisible --name '^Kelvane' 2>/dev/null); do wid=$w; done
    [ -n "$wid" ] && break
    kill -0 $app 2>/dev/null || fail "$1 ended before its window showed"
    sleep 0.1
  done
  [ -n "$wid" ] || fail "no window from $1 in 60 s"
}
await_title() {
  for _ in $(seq 300); do
    case "$(xdotool getwindowname "$wid")" in $1) return 0 ;; esac
    sleep 0.1
  done
  fail "title '$(xdotool getwindowname "$wid")', expected '$1'"
}
# await_end: waits up to 10 s for the program to end; its status in $status.
await_end() {
  for _ in $(seq 100); do
    kill -0 $app 2>/dev/null || break
    sleep 0.1
  done
  kill -0 $app 2>/dev/null && fail "still running 10 s later"
  wait $app
  status=$?
}

case "$mode" in
frames)
  # Moments on the 60 fps grid (frames 600, 2760, 4320, 5550, 6120, 7650):
  # the particles (450.8), the flash and glitch (906.5) and four more.
  for d in 98.0 450.8 705.6 906.5 999.6 1249.5; do
    "$build/kelvane-capture" --data "$build/data" --frames "$work/frames-$d" --from $d \
      --duration 0.01 >/dev/null 2>&1 || fail "capture at $d"
    SDL_AUDIODRIVER=dummy start kelvane-player.exe --from $d --pause
    await_title "*(${d}0) - paused"
    xwd -id "$wid" -silent >"$work/$d.xwd" || fail "no screenshot at $d"
    python3 "$here/player_pixels.py" same "$work/$d.xwd" "$work/frames-$d"/frame-*.png ||
      fail "the player under Wine at $d is not the capture's frame"
    if [ $d = 1249.5 ]; then
      pictures=$WINEPREFIX/drive_c/users/$(id -un)/Pictures
      # An older screenshot of the same name is replaced.
      echo old >"$pictures/kelvane-${d}0.png"
      xdotool windowactivate --sync "$wid" key s 2>/dev/null
      for _ in $(seq 50); do
        [ "$(stat -c %s "$pictures/kelvane-${d}0.png")" -gt 4 ] && break
        sleep 0.1
      done
      python3 "$here/player_pixels.py" same "$pictures/kelvane-${d}0.png" \
        "$work/frames-$d"/frame-*.png || fail "the screenshot in My Pictures is not the frame"
      ls "$pictures" | grep -q '^\.kelvane-' && fail "a temporary file was left in My Pictures"
      echo "the screenshot at $d is in My Pictures"
    fi
    xdotool windowactivate --sync "$wid" key q 2>/dev/null
    await_end
    [ "$status" = 0 ] || fail "the player ended with status $status at $d"
    echo "$d: the capture's frame, byte for byte"
  done
  ;;
hidpi)
  desktop='HKCU\Control Panel\Desktop'
  "$wine" reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1 ||
    fail "cannot set 144 DPI"
  # The pack named on the command line, through "デモ": the arguments are
  # read as UTF-8 too.
  data=$("$wine" winepath -w "$folder/data" 2>/dev/null | tr -d '\r')
  SDL_AUDIODRIVER=dummy start kelvane-player.exe --data "$data" --from 450.8 --pause
  await_title '*(450.80) - paused'
  size=$(xwininfo -id "$wid" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
  xdotool windowactivate --sync "$wid" key q 2>/dev/null
  await_end
  "$wine" reg add "$desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  # 675 x 525 at 1.5, rounded as the player fits its window.
  [ "$size" = 1013x788 ] || fail "the player's window at 144 DPI is $size, expected 1013x788"
  echo "at 144 DPI the player's window is $size"
  ;;
demo)
  SDL_AUDIODRIVER=dummy start kelvane.exe
  sleep 10
  kill -0 $app 2>/dev/null || fail "the demo ended within 10 s"
  xdotool windowactivate --sync "$wid" key alt+F4 2>/dev/null
  await_end
  [ "$status" = 0 ] || fail "the demo ended with status $status"
  [ -s "$work/stderr" ] && fail "the demo complained"
  echo "ran 10 s, closed with status 0"
  ;;
nosound)
  # No sound driver in Wine at all.
  (cd "$folder" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winealsa.drv,winepulse.drv,wineoss.drv=d" \
    exec "$wine" kelvane.exe 2>"$work/stderr") &
  app=$!
  pids="$pids $app"
  await_end
  [ "$status" = 1 ] || fail "status $status without sound output, expected 1"
  grep -q "^kelvane: cannot open sound output: .*SDL_AUDIODRIVER=dummy" "$work/stderr" ||
    fail "no reason given"
  head -1 "$work/stderr"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
