#!/bin/bash
# kelvane-capture at its edges: stopping signals, a renderer that dies, the
# join's checks of its parts, full disks, an earlier file of the same name,
# two captures at once, and progress in a log.
#   capture_edges.sh CAPTURE DATA signals|join|outputs
set -uo pipefail
tool="$(realpath "$1")"
data="$(realpath "$2")"
what="$3"
work="$(mktemp -d /tmp/kelvane-edges-XXXXXX)"
full="$work/full"
cleanup() {
  mountpoint -q "$full" 2>/dev/null && umount "$full"
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# A long capture at a small size: still rendering when the signal comes.
long=(--size 160x120 --data "$data")

frames_of() { ffprobe -v error -select_streams "${2:-v}:0" -count_packets \
  -show_entries stream=nb_read_packets -of csv=p=0 "file:$1" 2>/dev/null; }
duration_of() { ffprobe -v error -select_streams "$2:0" -show_entries stream=duration \
  -of csv=p=0 "file:$1" 2>/dev/null; }
# No hidden file, lock or part left in the folder.
no_leftovers() {
  local left
  left="$(find "${1:-.}" -maxdepth 1 -name '.*' ! -name . ! -name .. | head -3)"
  [ -z "$left" ] || fail "$2: left behind: $left"
}
# The file decodes without an error, holds frames and its sound ends with
# its picture.
plays() {
  local file="$1" label="$2" frames video audio
  [ -f "$file" ] || { fail "$label: no $file"; return; }
  [ -z "$(ffmpeg -v error -nostdin -i "file:$file" -f null - 2>&1)" ] ||
    fail "$label: $file does not decode cleanly"
  frames="$(frames_of "$file")"
  [ "${frames:-0}" -gt 0 ] || fail "$label: $file holds no frame"
  video="$(duration_of "$file" v)"
  audio="$(duration_of "$file" a)"
  [ "$(echo "d = $audio - $video; d < 0.05 && d > -0.05" | bc)" = 1 ] ||
    fail "$label: sound $audio s against picture $video s"
}
# Waits for pid; fails unless it ends within `limit` seconds with `want`.
ends_with() {
  local pid="$1" want="$2" limit="$3" label="$4" waited=0 status
  while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt $((limit * 10)) ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "$label: still running ${limit} s after the signal"
    pkill -KILL -s "$pid" 2>/dev/null
    kill -KILL "$pid" 2>/dev/null
  fi
  wait "$pid"
  status=$?
  [ "$status" = "$want" ] || fail "$label: status $status, not $want"
}
# Waits until the capture has sent frames to ffmpeg (its log says 10 %).
started() {
  for _ in $(seq 300); do
    grep -q "10%" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "$1: the capture never got going"
}

case "$what" in
signals)
  for jobs in 1 2; do
    # timeout signals the command and then its whole process group.
    timeout --preserve-status -s TERM 6 "$tool" --video t.mp4 --jobs "$jobs" "${long[@]}" \
      2>timeout.log &
    ends_with $! 143 16 "timeout, --jobs $jobs"
    grep -q "holds them" timeout.log || fail "timeout, --jobs $jobs: $(tail -1 timeout.log)"
    plays t.mp4 "timeout, --jobs $jobs"
    no_leftovers . "timeout, --jobs $jobs"
    rm -f t.mp4

    # SIGTERM to every process of the capture at once.
    setsid "$tool" --video g.mp4 --jobs "$jobs" "${long[@]}" 2>group.log &
    pid=$!
    started group.log
    kill -TERM -- -"$pid"
    ends_with "$pid" 143 10 "kill -TERM -- -PGID, --jobs $jobs"
    plays g.mp4 "kill -TERM -- -PGID, --jobs $jobs"
    no_leftovers . "kill -TERM -- -PGID, --jobs $jobs"
    rm -f g.mp4
  done

  # ffmpeg stopped (as on a frozen disk): the pipe fills, and SIGTERM to the
  # capture's group still ends it, with ffmpeg killed.
  setsid "$tool" --video s.mp4 "${long[@]}" 2>stopped.log &
  pid=$!
  started stopped.log
  ffmpeg_pid="$(pgrep -P "$pid" -x ffmpeg)"
  kill -STOP "$ffmpeg_pid"
  sleep 1
  kill -TERM -- -"$pid"
  ends_with "$pid" 143 5 "SIGTERM with ffmpeg stopped"
  ! kill -0 "$ffmpeg_pid" 2>/dev/null || fail "SIGTERM with ffmpeg stopped: ffmpeg is left"
  kill -KILL "$ffmpeg_pid" 2>/dev/null
  no_leftovers . "SIGTERM with ffmpeg stopped"

  # SIGTERM to the group once the join of --jobs 2 has started: the video
  # is whole, or the parts are kept under the names the message gives.
  setsid "$tool" --video j.mp4 --jobs 2 --duration 3 --size 64x48 --data "$data" 2>join.log &
  pid=$!
  for _ in $(seq 600); do
    pgrep -P "$pid" -f "concat" >/dev/null && break
    sleep 0.05
  done
  kill -TERM -- -"$pid"
  ends_with "$pid" 143 6 "SIGTERM during the join"
  if [ -e j.mp4 ]; then
    [ "$(frames_of j.mp4)" = 180 ] || fail "SIGTERM during the join: j.mp4 is not whole"
  else
    for part in $(sed -n 's/.*segments are kept:\(.*\); join them.*/\1/p' join.log); do
      [ "$(frames_of "$part")" = 90 ] || fail "SIGTERM during the join: $part is not kept whole"
    done
    grep -q "segments are kept" join.log || fail "SIGTERM during the join: $(cat join.log)"
  fi
  no_leftovers . "SIGTERM during the join"
  rm -f j.mp4 j.part-*

  # A capture killed outright leaves its hidden file and lock; the next
  # capture to the same name removes them.
  "$tool" --video d.mp4 "${long[@]}" 2>dead.log &
  pid=$!
  started dead.log
  kill -KILL "$pid"
  wait "$pid"
  sleep 0.5
  "$tool" --video d.mp4 --duration 0.5 --size 64x48 --data "$data" 2>/dev/null ||
    fail "the capture after a SIGKILL: status $?"
  no_leftovers . "the capture after a SIGKILL"
  rm -f d.mp4

  # A renderer killed outright ends the capture, which names it.
  "$tool" --video k.mp4 "${long[@]}" 2>kill.log &
  pid=$!
  started kill.log
  renderer="$(pgrep -P "$pid" -x kelvane-capture | head -1)"
  kill -KILL "$renderer"
  ends_with "$pid" 1 5 "kill -9 of a renderer"
  grep -q "renderer [12] was killed by signal 9" kill.log || fail "kill -9: $(cat kill.log)"
  [ ! -e k.mp4 ] || fail "kill -9: k.mp4 was kept"
  no_leftovers . "kill -9 of a renderer"
  ;;

join)
  span=(--duration 1 --fps 10 --data "$data")
  for k in 1 2; do
    "$tool" --video "p-$k.mp4" --segment "$k/2" --size 64x48 "${span[@]}" 2>/dev/null
  done
  "$tool" --video q-1.mp4 --segment 1/2 --duration 1 --fps 20 --size 64x48 --data "$data" 2>/dev/null
  join() {
    local want="$1" label="$2"
    shift 2
    "$tool" --join o.mp4 "${span[@]}" "$@" 2>join.log
    local status=$?
    [ "$status" = 1 ] || fail "$label: status $status"
    grep -q "$want" join.log || fail "$label: '$(cat join.log)' does not say '$want'"
    [ ! -e o.mp4 ] || fail "$label: o.mp4 written"
  }
  join "p-1.mp4 is given twice" repeated p-1.mp4 p-1.mp4
  join "p-2.mp4 is segment 2 of 2 but stands at place 1" swapped p-2.mp4 p-1.mp4
  join "q-1.mp4 was made with --fps 20" foreign q-1.mp4 p-2.mp4
  join "p-3.mp4: No such file or directory" missing p-1.mp4 p-3.mp4
  ffmpeg -v error -nostdin -i p-1.mp4 -c copy -map_metadata -1 -y plain.mp4
  join "plain.mp4: not a segment" untagged plain.mp4 p-2.mp4
  head -c "$(($(stat -c %s p-2.mp4) - 100))" p-2.mp4 >cut.mp4
  join "cut.mp4 holds" "cut short" p-1.mp4 cut.mp4
  # Damage that keeps the packets: 200 bytes flipped inside the picture, and
  # a part encoded again as MPEG-4 with its tags.
  python3 -c "import sys; d = bytearray(open('p-2.mp4', 'rb').read()); a = len(d) * 6 // 10
for i in range(a, a + 200): d[i] ^= 0xFF
open('flipped.mp4', 'wb').write(d)"
  join "o.mp4 does not decode cleanly" "200 bytes flipped" p-1.mp4 flipped.mp4
  ffmpeg -v error -nostdin -i p-2.mp4 -c:v mpeg4 -map_metadata 0 -movflags use_metadata_tags \
    -y mpeg4.mp4
  join "mpeg4.mp4 is mpeg4" "encoded again" p-1.mp4 mpeg4.mp4
  "$tool" --join o.mp4 "${span[@]}" p-1.mp4 p-2.mp4 2>/dev/null || fail "the right parts: status $?"
  [ "$(frames_of o.mp4)" = 10 ] || fail "the join holds $(frames_of o.mp4) frames, not 10"
  # Parts of one frame each, whose lengths the container rounds up: the
  # join still holds every frame.
  "$tool" --video six.mp4 --jobs 6 --fps 240 --duration 0.025 --size 64x48 --data "$data" \
    2>six.log || fail "--jobs 6 of one frame each: $(tail -1 six.log)"
  ;;

outputs)
  # An earlier file survives an interrupt 0.3 s into a new capture, or
  # later, when the new frames go beside it.
  "$tool" --video old.mp4 --duration 1 --size 64x48 --data "$data" 2>/dev/null
  cp old.mp4 before.mp4
  for when in 0.3 later; do
    "$tool" --video old.mp4 "${long[@]}" 2>old.log &
    pid=$!
    if [ "$when" = later ]; then started old.log; else sleep 0.3; fi
    kill -INT "$pid"
    ends_with "$pid" 130 5 "interrupt $when"
    cmp -s old.mp4 before.mp4 || fail "interrupt $when: the earlier old.mp4 changed"
    no_leftovers . "interrupt $when"
  done
  plays old-partial.mp4 "interrupted beside an earlier file"

  # Two captures to one name: one success at most, and the file is whole.
  "$tool" --video two.mp4 --duration 2 --size 64x48 --data "$data" 2>two-a.log &
  a=$!
  "$tool" --video two.mp4 --duration 2 --size 64x48 --data "$data" 2>two-b.log &
  b=$!
  wait "$a"
  sa=$?
  wait "$b"
  sb=$?
  if [ "$sa" = 0 ] && [ "$sb" = 0 ]; then fail "two captures: both succeeded"; fi
  [ "$sa" = 0 ] || [ "$sb" = 0 ] || fail "two captures: neither succeeded ($sa, $sb)"
  plays two.mp4 "two captures"

  # Progress into a log: a plain line at each tenth and a summary.
  "$tool" --video p.mp4 --duration 2 --fps 30 --size 64x48 --data "$data" 2>progress.log
  [ "$(grep -c '^kelvane-capture: [0-9]*0%, ' progress.log)" = 10 ] ||
    fail "progress: $(cat progress.log)"
  grep -q "^kelvane-capture: wrote p.mp4: 60 frames, .* MB, in .* s (.* x real time)$" \
    progress.log || fail "progress: no summary: $(tail -1 progress.log)"
  ! grep -q $'\r' progress.log || fail "progress: carriage returns in a log"

  # Full disks (a small tmpfs needs root).
  if [ "$(id -u)" = 0 ] && mkdir -p "$full" && mount -t tmpfs -o size=1m tmpfs "$full"; then
    "$tool" --frames "$full/frames" --fps 10 --duration 20 --size 320x240 --data "$data" \
      2>/dev/null
    [ $? = 1 ] || fail "--frames on a full disk: not status 1"
    for png in "$full"/frames/*.png; do
      [ "$(tail -c 8 "$png" | head -c 4)" = IEND ] || fail "$png is cut short"
    done
    no_leftovers "$full/frames" "--frames on a full disk"
    rm -rf "$full/frames"
    # Room for the frames but not for the file's index: ffmpeg may end with
    # status 0 and a file without it.
    "$tool" --video ref.mp4 --duration 4 --size 160x120 --data "$data" 2>/dev/null
    head -c $((1048576 - $(stat -c %s ref.mp4) + 4000 - 4096)) /dev/zero >"$full/fill"
    "$tool" --video "$full/v.mp4" --duration 4 --size 160x120 --data "$data" 2>full.log
    [ $? = 1 ] || fail "a video on a full disk: not status 1: $(cat full.log)"
    [ ! -e "$full/v.mp4" ] || fail "a video on a full disk was kept"
    no_leftovers "$full" "a video on a full disk"
  else
    echo "not root: the full-disk cases are skipped"
  fi
  ;;
esac
[ "$failures" = 0 ] && echo "all $what cases passed"
exit $((failures > 0))
