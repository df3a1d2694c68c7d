#!/bin/bash
# End-to-end checks of kelvane-inspect's verbs and output formats, on files
# written here. Usage: inspect_test.sh path/to/kelvane-inspect
# pipefail, but no "producer | grep -q": grep may leave before the producer
# has written everything, and the producer's SIGPIPE would fail the check.
set -uo pipefail
inspect="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

bytes() { printf "$(printf '\\x%02x' "$@")"; }  # each argument one byte
le32() { bytes $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
le16() { bytes $(($1 & 255)) $((($1 >> 8) & 255)); }
# bmp FILE WIDTH HEIGHT BITS SIZEIMAGE PIXELS(printf escapes)
bmp() {
  {
    printf 'BM'
    le32 0
    le32 0
    le32 54
    le32 40
    le32 "$2"
    le32 "$3"
    le16 1
    le16 "$4"
    le32 0
    le32 "$5"
    le32 0
    le32 0
    le32 0
    le32 0
    printf "$6"
  } >"$1"
}
# solid FILE SIDE: a SIDE x SIDE 24-bit image of one colour (SIDE a multiple of 4).
solid() {
  local pixels="" i
  for ((i = 0; i < $2 * $2; i++)); do pixels+='\x10\x20\x30'; done
  bmp "$1" "$2" "$2" 24 0 "$pixels"
}

# An object of one cube: 8 vertices, 12 faces.
cube() {
  echo 'Tri-mesh, Vertices: 8     Faces: 12'
  local i
  for ((i = 0; i < 8; i++)); do
    echo "Vertex $i:  X:$(((i & 1) * 2 - 1)) Y:$((((i >> 1) & 1) * 2 - 1)) Z:$((((i >> 2) & 1) * 2 - 1))"
  done
  local faces=(0 2 3 3 1 0 4 5 7 7 6 4 0 1 5 5 4 0 1 3 7 7 5 1 3 2 6 6 7 3 2 0 4 4 6 2)
  for ((i = 0; i < 12; i++)); do
    echo "Face $i:    A:${faces[3 * i]} B:${faces[3 * i + 1]} C:${faces[3 * i + 2]} AB:1 BC:1 CA:0"
    echo "Smoothing:  1"
  done
}
# A fan of FACES triangles around vertex 0.
fan() {
  echo "Tri-mesh, Vertices: $(($1 + 2)) Faces: $1"
  local i
  for ((i = 0; i < $1 + 2; i++)); do echo "Vertex $i: X:$((i % 7)) Y:$((i % 5)) Z:$((i % 3))"; done
  for ((i = 0; i < $1; i++)); do echo "Face $i: A:0 B:$((i + 1)) C:$((i + 2))"$'\n'"Material:\"r\""; done
}

# points and mesh: formats, and the same positions from both.
cube >cube.asc
"$inspect" points cube.asc >points.txt || fail "points exit status"
"$inspect" mesh cube.asc >mesh.txt || fail "mesh exit status"
[ "$(head -n 1 points.txt)" = "result 1 faces 12" ] || fail "points header: $(head -n 1 points.txt)"
[ "$(tail -n +2 points.txt | awk 'NF == 9' | wc -l)" = 12 ] || fail "points: 12 lines of 9 floats"
[ "$(head -n 2 mesh.txt | tr '\n' '|')" = "result 1|object 8 12|" ] || fail "mesh header"
[ "$(tail -n +3 mesh.txt | awk 'NF == 6' | wc -l)" = 36 ] || fail "mesh: 36 lines of 6 floats"
tail -n +2 points.txt | tr ' ' '\n' >points.flat
tail -n +3 mesh.txt | awk '{ print $4; print $5; print $6 }' >mesh.flat
cmp -s points.flat mesh.flat || fail "points differ from the mesh's positions"
# Fitted cube corners are -1 or 1, and each corner normal sums 3 to 6 unit
# face normals along the axes: integer components.
tail -n +2 points.txt | tr ' ' '\n' | grep -vqxE -- '-?1' && fail "cube corners not at +-1"
tail -n +3 mesh.txt | awk '{ print $1; print $2; print $3 }' | grep -vqxE -- '-?[0-3]' &&
  fail "cube normals not integer sums"

# Failure: result -1, exit status 1, no objects.
head -n 20 cube.asc >broken.asc
out="$("$inspect" points broken.asc)" && fail "points on a broken file exits 0"
[ "$out" = "result -1 faces 0" ] || fail "points on a broken file: $out"
out="$("$inspect" mesh broken.asc)" && fail "mesh on a broken file exits 0"
[ "$out" = "result -1" ] || fail "mesh on a broken file: $out"
# Two objects, the second broken: the first is still emitted.
{ cube; head -n 20 cube.asc; } >half.asc
"$inspect" mesh half.asc >half.txt && fail "mesh on a half-broken file exits 0"
[ "$(head -n 2 half.txt | tr '\n' '|')" = "result -1|object 8 12|" ] || fail "half-broken mesh"

# rgb: a 2 x 1 image, rows padded to 4 bytes.
bmp two.bmp 2 1 24 8 '\x01\x02\x03\x04\x05\x06\x00\x00'
[ "$("$inspect" rgb two.bmp two.rgb)" = "width 2 height 1" ] || fail "rgb header"
printf '\x03\x02\x01\x06\x05\x04\x00\x00' >two.expected
cmp -s two.rgb two.expected || fail "rgb bytes: $(od -An -tu1 two.rgb)"
# rgba: one pixel.
bmp colour.bmp 1 1 24 4 '\x0a\x14\x1e\x00'
bmp alpha.bmp 1 1 24 4 '\xc8\x00\x00\x00'
[ "$("$inspect" rgba colour.bmp alpha.bmp one.rgba)" = "width 1 height 1" ] || fail "rgba header"
printf '\x1e\x14\x0a\xc8' >one.expected
cmp -s one.rgba one.expected || fail "rgba bytes: $(od -An -tu1 one.rgba)"
# Unreadable images.
printf 'BM' >short.bmp
out="$("$inspect" rgb short.bmp x.rgb 2>/dev/null)" && fail "rgb on an unreadable image exits 0"
[ "$out" = unreadable ] || fail "rgb on an unreadable image: $out"
out="$("$inspect" rgba colour.bmp short.bmp x.rgba 2>/dev/null)" && fail "rgba exits 0"
[ "$out" = unreadable ] || fail "rgba on an unreadable alpha image: $out"

# --help on every verb.
for verb in points mesh rgb rgba check; do
  grep -q "^usage: kelvane-inspect $verb" <<<"$("$inspect" "$verb" --help)" || fail "$verb --help"
done

# The command line: a mistake is named, with a hint, status 2.
expect_refusal() {  # MESSAGE ARGS...: status 2, MESSAGE and the hint on stderr, nothing on stdout
  local message="$1" status
  shift
  "$inspect" "$@" >refused.out 2>refused.err
  status=$?
  [ "$status" = 2 ] || fail "$* exits $status, not 2"
  [ "$(head -n 1 refused.err)" = "kelvane-inspect: $message" ] || fail "$*: $(head -n 1 refused.err)"
  grep -q "^Try 'kelvane-inspect .*--help'\.$" refused.err || fail "$*: no hint"
  [ -s refused.out ] && fail "$* writes to stdout"
}
expect_refusal "unknown verb 'frob'" frob
expect_refusal "unrecognized option '--bogus'" --bogus
expect_refusal "points: unrecognized option '--bogus'" points --bogus cube.asc
expect_refusal "points: unexpected argument 'extra'" points cube.asc extra
for option in --version -V; do
  grep -qxE 'kelvane-inspect [0-9]+\.[0-9]+\.[0-9]+' <<<"$("$inspect" "$option")" || fail "$option"
done
grep -q '^usage: kelvane-inspect' <<<"$("$inspect" -h)" || fail "-h"
# Files and folders that cannot be read: the reason.
out="$("$inspect" points missing.asc 2>err.txt)" && fail "points on a missing file exits 0"
[ "$out" = "result -1 faces 0" ] || fail "points on a missing file: $out"
[ "$(cat err.txt)" = "kelvane-inspect: missing.asc: No such file or directory" ] ||
  fail "points on a missing file says: $(cat err.txt)"
mkfifo fifo.asc
timeout 10 "$inspect" points fifo.asc 2>err.txt >/dev/null
[ $? = 1 ] || fail "points on a FIFO does not exit 1"
grep -qx "kelvane-inspect: fifo.asc: not a regular file" err.txt || fail "points fifo: $(cat err.txt)"
"$inspect" rgb missing.bmp x.rgb 2>err.txt >/dev/null && fail "rgb on a missing file exits 0"
grep -qx "kelvane-inspect: missing.bmp: No such file or directory" err.txt || fail "rgb: $(cat err.txt)"
"$inspect" check nowhere >out.txt 2>err.txt
[ $? = 1 ] || fail "check on a missing folder does not exit 1"
[ "$(cat err.txt)" = "kelvane-inspect: nowhere: no such folder" ] || fail "check nowhere: $(cat err.txt)"

# check: a complete pack of our own is all ok, then one fault at a time.
mkdir pack
for name in trumpet trumpetalpha mortak image4 image10 image8 spheremap blob2 trail image3 \
  vantoril image6 image11 log1 log2 kel; do solid "pack/$name.bmp" 4; done
for name in duck sphere cube trailblobs; do cube >"pack/$name.asc"; done
ffmpeg -v error -nostdin -f lavfi -i sine=frequency=440:duration=0.5 -ac 2 -ar 44100 pack/kel.mp3 ||
  fail "ffmpeg cannot make the test's music"
"$inspect" check pack >check.txt || fail "check on a good pack exits non-zero: $(grep -v ': ok$' check.txt)"
[ "$(wc -l <check.txt)" = 23 ] || fail "check prints $(wc -l <check.txt) lines, not 23"
[ "$(grep -c ': ok$' check.txt)" = 23 ] || fail "check: not every line ok"
(cd pack && "$inspect" check >/dev/null) || fail "check without DIR does not use the current folder"

expect_fault() {  # PATTERN: check must exit 1 with a line matching PATTERN
  local out
  out="$("$inspect" check pack)" && fail "check exits 0 with $1"
  grep -qE "$1" <<<"$out" || fail "check does not report: $1"
}
bmp pack/trail.bmp 4 4 8 16 '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
expect_fault '^trail\.bmp .*not 24-bit'
solid pack/trail.bmp 4
bmp pack/log1.bmp 3 2 24 24 '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
expect_fault '^log1\.bmp .*not powers of two'
solid pack/log1.bmp 4
solid pack/trumpetalpha.bmp 8
expect_fault '^trumpetalpha\.bmp .*differs in size'
solid pack/trumpetalpha.bmp 4
fan 2001 >pack/trailblobs.asc
expect_fault '^trailblobs\.asc \(particle points\).*2001 faces, more than'
cube >pack/trailblobs.asc
head -n 20 pack/cube.asc >pack/duck.asc
expect_fault '^duck\.asc .*parse failed at line 20'
for bad in nan -inf 3e38; do
  cube | sed "0,/X:[^ ]*/s//X:$bad/" >pack/duck.asc
  expect_fault "^duck\.asc .*parse failed at line [0-9]+: a vertex coordinate is not finite"
done
cube >pack/duck.asc
# Music over the 20-minute limit is refused by its length before decoding:
# a minute at 8 kbit/s (no tag, no Info frame), repeated for 2 and 7 hours.
ffmpeg -v error -nostdin -f lavfi -i sine=frequency=220:sample_rate=8000:duration=60 -ac 1 \
  -c:a libmp3lame -b:a 8k -id3v2_version 0 -write_xing 0 minute.mp3 || fail "ffmpeg: no minute"
limit="over the 20-minute limit the demo decodes"
for hours in 2 7; do
  for ((i = 0; i < hours * 60; i++)); do cat minute.mp3; done >pack/kel.mp3
  expect_fault "^kel\.mp3 \(music\): [0-9]+ bytes: cannot be decoded \($hours:0[0-9]:[0-9]{2} long, $limit\)"
done
printf '\xff\xfb\x90\x64' >pack/kel.mp3 && head -c 3000 /dev/zero | tr '\0' 'x' >>pack/kel.mp3
expect_fault '^kel\.mp3 \(music\): 3004 bytes: cannot be decoded .*run in silence'
printf '0123456789' >pack/kel.mp3
expect_fault '^kel\.mp3 \(music\): 10 bytes: cannot be decoded'
rm pack/kel.mp3
expect_fault '^kel\.mp3 \(music\): missing'
mkdir pack/kel.mp3
expect_fault '^kel\.mp3 \(music\): not a regular file \(a folder\)'
rmdir pack/kel.mp3
mv pack/duck.asc pack/duck.keep && ln -s /dev/zero pack/duck.asc
expect_fault '^duck\.asc .*not a regular file \(a device\)'
rm pack/duck.asc && mv pack/duck.keep pack/duck.asc

# The command line's convention: help and version win wherever they stand,
# even after a mistake; short options stand alone; an output that cannot be
# written is a failure (1), not a mistake in the line.
expect_output() {  # PATTERN ARGS...: status 0, stdout's first line matches, stderr empty
  local pattern="$1"
  shift
  "$inspect" "$@" >asked.out 2>asked.err || fail "$* exits $?"
  head -n 1 asked.out | grep -qE "$pattern" || fail "$*: $(head -n 1 asked.out)"
  [ -s asked.err ] && fail "$* writes to stderr: $(cat asked.err)"
}
expect_output '^usage: kelvane-inspect VERB' --bogus --help
expect_output '^usage: kelvane-inspect VERB' frob -h
expect_output '^usage: kelvane-inspect points FILE' points --bogus cube.asc extra --help
expect_output '^kelvane-inspect [0-9]+\.[0-9]+\.[0-9]+$' rgb --bogus -V
expect_refusal "unrecognized option '-hX'" -hX
expect_refusal "points: unrecognized option '-hX'" points -hX cube.asc
expect_refusal "unrecognized option '-Vh'" -Vh points cube.asc
"$inspect" rgb two.bmp no-folder/two.rgb >out.txt 2>err.txt
[ $? = 1 ] || fail "rgb to an unwritable output does not exit 1"
grep -qx "kelvane-inspect: no-folder/two.rgb: cannot write in its folder: No such file or directory" err.txt ||
  fail "rgb to an unwritable output says: $(cat err.txt)"
"$inspect" rgba colour.bmp alpha.bmp no-folder/one.rgba >out.txt 2>err.txt
[ $? = 1 ] || fail "rgba to an unwritable output does not exit 1"

# An output is replaced whole, never written through a link; a FIFO is
# refused before any work.
echo keep >kept.txt && ln -s kept.txt link.rgb
"$inspect" rgb two.bmp link.rgb >/dev/null || fail "rgb to a link exits $?"
[ "$(cat kept.txt)" = keep ] || fail "rgb wrote through the link"
[ -f link.rgb ] && [ ! -L link.rgb ] || fail "rgb did not replace the link"
mkfifo fifo.rgb
timeout 5 "$inspect" rgb two.bmp fifo.rgb >/dev/null 2>err.txt
[ $? = 1 ] || fail "rgb to a FIFO does not exit 1"
grep -q "fifo.rgb is a FIFO" err.txt || fail "rgb to a FIFO says: $(cat err.txt)"

[ "$failures" = 0 ] && echo "kelvane-inspect: all checks passed"
exit $((failures > 0))
