#!/bin/bash
# kelvane-player under Xvfb with openbox, driven by xdotool as a viewer
# would. Usage: player_e2e.sh BUILD_DIR MODE
#   fullscreen  --fullscreen fills a 1920x1080 screen, the picture between
#               black bars even while paused; Esc leaves it, a second Esc
#               ends with status 0 within 1 s; SIGTERM, SIGINT and SIGHUP
#               end it with 143, 130 and 129; plain kelvane opens at
#               675x525 and ignores Esc
#   seek        paused at 450.8, among the particles, the window shows the
#               capture's frame exactly, still the same 2 s later; Right
#               seeks 5 s to the capture's frame at 499.8; Space resumes
#   hidpi       on a 3840x2160 screen of scale 2 (Xft.dpi 192, GDK_SCALE=2)
#               the window is 1350x1050 and shows the capture at that size
#   nosound     no sound card behind ALSA: one line says so, frames go on
#   flashing    (no display) over 895-925 at 60 fps the capture with
#               --reduce-flashing changes the whole frame's brightness by 0.1
#               or more at most three times in any second; without it, the
#               designed glitch flashes on
#   watch       a new image3.bmp shows in the running player within 1 s
#   card        with no options the start card shows, not the demo's first
#               frame, and stands; Space starts; --play starts at once
#   osd         paused at 450.8, `.` then `,` shows a message over the same
#               frame, gone within 3 s, leaving the capture's frame; s saves
#               that frame as a PNG in the XDG pictures folder; Home leaves a
#               loop and ends it; a click in the middle of the timeline bar
#               seeks to within a frame of 650
#   fit         Xft.dpi 192 alone on a 1920x1080 screen: a scaled window
#               inside the screen, its frame too
set -u
build=$(cd "$1" && pwd)
mode=$2
here=$(cd "$(dirname "$0")" && pwd)
pixels() { python3 "$here/player_pixels.py" "$@"; }
fail() { echo "FAIL: $*" >&2; [ -s "${work:-/nonexistent}/stderr" ] && cat "$work/stderr" >&2; exit 1; }

work=$(mktemp -d)
pids=""
trap 'for p in $pids; do kill $p 2>/dev/null; done; rm -rf "$work"' EXIT

capture() { "$build/kelvane-capture" --data "$build/data" "$@" >/dev/null 2>&1 || fail "capture $*"; }

if [ "$mode" = flashing ]; then
  capture --frames "$work/reduced" --size 135x105 --from 895 --duration 3.07 --reduce-flashing
  capture --frames "$work/designed" --size 135x105 --from 895 --duration 3.07
  reduced=$(pixels flashes "$work/reduced" 60 | tail -1)
  designed=$(pixels flashes "$work/designed" 60 | tail -1)
  echo "brightness changes of 0.1 or more in any second: $reduced reduced, $designed designed"
  [ "$reduced" -le 3 ] || fail "$reduced changes in a second with --reduce-flashing"
  [ "$designed" -ge 10 ] || fail "the designed glitch flashes only $designed times a second"
  exit 0
fi

screen=1920x1080x24
[ "$mode" = hidpi ] && screen=3840x2160x24
Xvfb -displayfd 3 -screen 0 $screen -nolisten tcp 3>"$work/display" 2>/dev/null &
pids="$!"
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
[ "$mode" = hidpi ] && export GDK_SCALE=2
# A window mapped while openbox is still starting may never be mapped at all
# (SDL then waits for it for ever), so the programs start only once openbox
# has run its start-up command.
openbox --startup "touch $work/managed" >/dev/null 2>&1 &
pids="$pids $!"
for _ in $(seq 200); do [ -e "$work/managed" ] && break; sleep 0.1; done
[ -e "$work/managed" ] || fail "openbox did not start within 20 s"
# Only once openbox holds the server: Xvfb resets, and forgets the
# resources, when its last client leaves.
if [ "$mode" = hidpi ] || [ "$mode" = fit ]; then
  echo "Xft.dpi: 192" | xrdb -merge
fi

# start PROGRAM ARGS...: runs it from the pack in the background ($app) and
# waits for its window to show ($wid).
start() {
  (cd "$build/data" && exec "$@" 2>"$work/stderr") &
  app=$!
  pids="$pids $app"
  wid=""
  for _ in $(seq 200); do
    for w in $(xdotool search --onlyvisible --name Kelvane 2>/dev/null); do wid=$w; done
    [ -n "$wid" ] && break
    kill -0 $app 2>/dev/null || fail "$1 ended before its window showed"
    sleep 0.1
  done
  [ -n "$wid" ] || fail "no window from $1 in 20 s; its windows: $(xwininfo -root -tree | grep -i kelvane)"
  sleep 1
}
size() { xwininfo -id "$wid" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w"x"h}'; }
# await_size WxH: waits up to 3 s for the window manager to give it that size.
await_size() {
  for _ in $(seq 100); do
    [ "$(size)" = "$1" ] && return 0
    sleep 0.1
  done
  fail "window is $(size), expected $1"
}
key() { xdotool windowactivate --sync "$wid" key "$@" 2>/dev/null; }
shot() { xwd -id "$wid" -silent >"$1" || fail "no screenshot"; }
# await_title PATTERN: waits up to 3 s for the window's title to match.
await_title() {
  for _ in $(seq 30); do
    case "$(xdotool getwindowname "$wid")" in $1) return 0 ;; esac
    sleep 0.1
  done
  fail "title '$(xdotool getwindowname "$wid")', expected '$1'"
}
# await_same A: waits up to 3 s for a screenshot equal to the xwd dump A.
await_same() {
  for _ in $(seq 30); do
    shot "$work/now.xwd"
    cmp -s "$1" "$work/now.xwd" && return 0
    sleep 0.1
  done
  return 1
}
# moves: exit 0 when the picture changes within 5 s.
moves() {
  shot "$work/m0.xwd"
  for _ in $(seq 50); do
    sleep 0.1
    shot "$work/m1.xwd"
    cmp -s "$work/m0.xwd" "$work/m1.xwd" || return 0
  done
  return 1
}
player="$build/kelvane-player"
export SDL_AUDIODRIVER=dummy

case "$mode" in
fullscreen)
  start "$player" --fullscreen --from 1150 --pause
  await_size 1920x1080
  shot "$work/full.xwd"
  pixels letterbox "$work/full.xwd" || fail "no picture between black bars"
  key Escape
  await_size 675x525
  kill -0 $app || fail "the first Esc ended the player"
  key Escape
  for _ in $(seq 10); do
    kill -0 $app 2>/dev/null || break
    sleep 0.1
  done
  kill -0 $app 2>/dev/null && fail "still running 1 s after the second Esc"
  wait $app || fail "status $?"
  echo "fullscreen 1920x1080, Esc back to 675x525, second Esc quit with 0"
  # The stopping signals end it with the tools' statuses.
  for sig in TERM:143 INT:130 HUP:129; do
    start "$player" --pause
    kill -"${sig%:*}" $app
    wait $app
    status=$?
    [ "$status" = "${sig#*:}" ] || fail "SIG${sig%:*}: status $status, not ${sig#*:}"
  done
  start "$build/kelvane"
  await_size 675x525
  key Escape
  sleep 1
  kill -0 $app || fail "kelvane ended on Esc"
  echo "kelvane at 675x525 ignores Esc"
  ;;
seek)
  # Frames 2760 and 3060 at 60 fps: the particles' jitter comes from the
  # generator, so these match only when the player replays its draws.
  start "$player" --from 450.8 --pause
  await_title '*(450.80) - paused'
  shot "$work/a.xwd"
  capture --frames "$work/frames" --from 450.8 --duration 0.01
  pixels same "$work/a.xwd" "$work/frames/frame-02760.png" || fail "paused at 450.8 is not the capture's frame"
  sleep 2
  shot "$work/b.xwd"
  cmp -s "$work/a.xwd" "$work/b.xwd" || fail "the paused picture changed"
  key Right
  await_title '*(499.80) - paused'
  sleep 2.5  # the message about the seek stands 2 s
  shot "$work/c.xwd"
  capture --frames "$work/frames" --from 499.8 --duration 0.01
  pixels same "$work/c.xwd" "$work/frames/frame-03060.png" || fail "seeking to 499.8 is not the capture's frame"
  key space
  await_title '*[0-9])'
  shot "$work/d.xwd"
  cmp -s "$work/c.xwd" "$work/d.xwd" && fail "the picture stood still after Space"
  echo "paused and seeked frames are the capture's; Space resumes"
  ;;
hidpi)
  start "$player" --from 700 --pause
  await_size 1350x1050
  shot "$work/a.xwd"
  capture --at 700 --size 1350x1050 --out "$work/700.png"
  pixels same "$work/a.xwd" "$work/700.png" 2 || fail "the 1350x1050 picture is not the capture's"
  echo "1350x1050 at scale 2, the capture's picture at that size"
  ;;
nosound)
  printf '' >"$work/asound.conf"
  SDL_AUDIODRIVER=alsa ALSA_CONFIG_PATH="$work/asound.conf" start "$player" --from 700
  grep -q "no sound output.*playing in silence" "$work/stderr" || fail "no line about the silence"
  # The first frame stands while the music decodes (longer on a busy
  # machine); then the picture moves on the system clock.
  shot "$work/a.xwd"
  moved=0
  for _ in $(seq 50); do
    sleep 0.1
    shot "$work/b.xwd"
    cmp -s "$work/a.xwd" "$work/b.xwd" || { moved=1; break; }
  done
  [ "$moved" = 1 ] || fail "no new frames in silence within 5 s"
  [ "$(grep -c silence "$work/stderr")" = 1 ] || fail "more than one line about the silence"
  grep "silence" "$work/stderr"
  ;;
watch)
  cp -r "$build/data" "$work/data"
  start "$player" --data "$work/data" --watch --from 250 --pause
  shot "$work/a.xwd"
  # The same picture with its colours turned: a header kept, pixels inverted.
  python3 -c "import sys; d=open(sys.argv[1],'rb').read(); o=int.from_bytes(d[10:14],'little'); open(sys.argv[1]+'.new','wb').write(d[:o]+bytes(255-b for b in d[o:]))" "$work/data/image3.bmp"
  mv "$work/data/image3.bmp.new" "$work/data/image3.bmp"
  seen=""
  for _ in $(seq 10); do
    sleep 0.1
    shot "$work/b.xwd"
    cmp -s "$work/a.xwd" "$work/b.xwd" || { seen=1; break; }
  done
  [ -n "$seen" ] || fail "the new image3.bmp did not show within 1 s"
  echo "the new image3.bmp showed within 1 s"
  ;;
card)
  start "$player"
  shot "$work/card.xwd"
  capture --at 0 --out "$work/0.png"
  pixels same "$work/card.xwd" "$work/0.png" >/dev/null && fail "the demo's first frame, not the card"
  moves && fail "the card did not stand"
  key space
  moves || fail "Space did not start"
  key q
  wait $app || fail "status $? after q"
  start "$player" --play
  moves || fail "--play did not start at once"
  echo "the card stands until Space; --play starts at once"
  ;;
osd)
  mkdir -p "$work/config" "$work/pictures"
  echo "XDG_PICTURES_DIR=\"$work/pictures\"" >"$work/config/user-dirs.dirs"
  export XDG_CONFIG_HOME="$work/config"
  start "$player" --from 450.8 --pause
  await_title '*(450.80) - paused'
  shot "$work/a.xwd"
  capture --frames "$work/frames" --from 450.8 --duration 0.01
  pixels same "$work/a.xwd" "$work/frames/frame-02760.png" || fail "paused at 450.8 is not the capture's frame"
  key period
  await_title '*(450.96) - paused'
  key comma
  await_title '*(450.80) - paused'
  shot "$work/b.xwd"
  cmp -s "$work/a.xwd" "$work/b.xwd" && fail "no message over the frame after . and ,"
  await_same "$work/a.xwd" || fail "after . and , the frame is not the same once the message is gone (3 s)"
  key s
  for _ in $(seq 30); do [ -s "$work/pictures/kelvane-450.80.png" ] && break; sleep 0.1; done
  pixels same "$work/pictures/kelvane-450.80.png" "$work/frames/frame-02760.png" ||
    fail "the screenshot is not the capture's frame"
  key l
  key Home
  await_title '*(0.00) - paused'
  sleep 0.5
  await_title '*(0.00) - paused'
  key o
  sleep 0.3
  xdotool mousemove --window "$wid" 337 520 click 1
  await_title '*(6[45]?.[0-9][0-9]) - paused'
  at=$(xdotool getwindowname "$wid" | sed 's/.*(\([0-9.]*\)).*/\1/')
  awk -v d="$at" 'BEGIN { exit !(d - 650 <= 0.1634 && 650 - d <= 0.1634) }' ||
    fail "the click in the bar's middle went to $at, not within a frame of 650"
  echo "message gone within 3 s, same frame after . and ,, screenshot exact, Home ends the loop, bar click to $at"
  ;;
fit)
  start "$player" --from 700 --pause
  sleep 1
  read -r x y w h < <(xwininfo -id "$wid" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}')
  extents=$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  read -r left right top bottom <<<"${extents:-0 0 0 0}"
  echo "window ${w}x${h} at $x,$y, frame $left $right $top $bottom"
  [ "$w" -gt 1000 ] || fail "the window was not scaled by Xft.dpi 192: ${w}x${h}"
  [ $((x - left)) -ge 0 ] && [ $((y - top)) -ge 0 ] && [ $((x + w + right)) -le 1920 ] &&
    [ $((y + h + bottom)) -le 1080 ] || fail "the window does not fit the 1920x1080 screen"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
exit 0
