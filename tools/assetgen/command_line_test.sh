#!/bin/bash
# kelvane-assetgen's command line: refusals, the output folder, the icons.
# Usage: command_line_test.sh path/to/kelvane-assetgen
set -uo pipefail
generator="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# An unknown option is named, status 2, and nothing is made.
"$generator" --bogus >out.txt 2>err.txt
[ $? = 2 ] || fail "--bogus does not exit 2"
[ "$(cat err.txt)" = "kelvane-assetgen: unrecognized option '--bogus'
Try 'kelvane-assetgen --help'." ] || fail "--bogus says: $(cat err.txt)"
[ -e --bogus ] && fail "--bogus made a folder"
for option in --version -V; do
  "$generator" "$option" | grep -qxE 'kelvane-assetgen [0-9]+\.[0-9]+\.[0-9]+' || fail "$option"
  [ -e "$option" ] && fail "$option made a folder"
done
"$generator" -h | grep -q '^usage: kelvane-assetgen' || fail "-h"

# A folder that cannot be made or written: one line naming it, status 1,
# before any generating.
for dir in /etc/passwd/x /proc; do
  start=$SECONDS
  "$generator" "$dir" 2>err.txt
  [ $? = 1 ] || fail "$dir does not exit 1"
  [ "$(wc -l <err.txt)" = 1 ] || fail "$dir: $(wc -l <err.txt) lines on stderr"
  grep -q "^kelvane-assetgen: $dir: cannot .*: " err.txt || fail "$dir says: $(cat err.txt)"
  [ $((SECONDS - start)) -le 2 ] || fail "$dir took $((SECONDS - start)) s to fail"
done

# A new nested folder is made with its parents.
"$generator" new/deep/pack || fail "new/deep/pack exits non-zero"
for name in log2.bmp duck.asc kel.mp3; do
  [ -s "new/deep/pack/$name" ] || fail "new/deep/pack/$name not written"
done
[ -e new/deep/pack/.kelvane-assetgen-probe ] && fail "the probe file stayed"

# --only NAME: the named file, or the files of the named kind, are written
# again with the bytes the whole run wrote; no other file is touched.
pack=new/deep/pack
(cd "$pack" && sha256sum -- *) >whole.sums
only_writes() { # NAME EXPECTED...: --only NAME rewrites exactly EXPECTED
  local name="$1"
  shift
  touch -d '2001-01-01' "$pack"/*
  for file in "$@"; do printf 'stale' >"$pack/$file" && touch -d '2001-01-01' "$pack/$file"; done
  "$generator" --only "$name" "$pack" || fail "--only $name exits $?"
  local written
  written="$(cd "$pack" && find . -type f -newermt '2002-01-01' -printf '%f\n' | sort | xargs)"
  [ "$written" = "$*" ] || fail "--only $name wrote [$written], not [$*]"
  (cd "$pack" && sha256sum -c --quiet ../../../whole.sums) ||
    fail "--only $name: the pack's bytes differ from the whole run's"
}
only_writes log2.bmp log2.bmp
only_writes meshes cube.asc duck.asc sphere.asc trailblobs.asc

# --only mistakes: status 2, what is wrong, and nothing written.
touch -d '2001-01-01' "$pack"/*
"$generator" --only bogus.bmp "$pack" >out.txt 2>err.txt
[ $? = 2 ] || fail "--only bogus.bmp does not exit 2"
head -n 1 err.txt | grep -q "^kelvane-assetgen: --only: no file or kind is called 'bogus.bmp'; it takes one of: pictures meshes music .*log2.bmp.* kel.mp3$" ||
  fail "--only bogus.bmp says: $(cat err.txt)"
for line in "--only log2.bmp --only kel.mp3 $pack" "--only=music --only=music $pack" \
  "--only $pack" "--only= $pack" "--only music --icons=icons" "$pack --only"; do
  # shellcheck disable=SC2086
  "$generator" $line >out.txt 2>err.txt
  [ $? = 2 ] || fail "$line does not exit 2"
  grep -q "^Try 'kelvane-assetgen --help'.$" err.txt || fail "$line says: $(cat err.txt)"
done
[ -e icons ] && fail "--only with --icons made icons"
[ -z "$(find "$pack" -type f -newermt '2002-01-01')" ] || fail "an --only mistake wrote into the pack"

# --icons: seven RGBA PNGs of their sizes, one Windows icon, and nothing else.
"$generator" --icons=icons/hicolor || fail "--icons exits non-zero"
for side in 16 24 32 48 64 128 256; do
  png="icons/hicolor/${side}x${side}/kelvane.png"
  # PNG signature, then IHDR: width and height (4 bytes each), depth 8, type 6 (RGBA).
  header="$(od -An -tu1 -j16 -N10 "$png" 2>/dev/null | tr -s ' ')"
  expected=" 0 0 $((side >> 8)) $((side & 255)) 0 0 $((side >> 8)) $((side & 255)) 8 6"
  [ "$header" = "$expected" ] || fail "$png: header$header"
done
# And kelvane.ico, for the Windows programs: the same seven PNGs, byte for
# byte, each entry giving its side (0 for 256), 32 bits and where it is.
python3 - icons/hicolor <<'PY' || fail "kelvane.ico is not the seven PNGs"
import struct, sys
root = sys.argv[1]
ico = open(root + "/kelvane.ico", "rb").read()
reserved, kind, count = struct.unpack_from("<HHH", ico)
assert (reserved, kind, count) == (0, 1, 7), (reserved, kind, count)
for i, side in enumerate([16, 24, 32, 48, 64, 128, 256]):
    w, h, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i)
    assert (w, h, colours, planes, bits) == (side % 256, side % 256, 0, 1, 32), (side, w, h, bits)
    png = open("%s/%dx%d/kelvane.png" % (root, side, side), "rb").read()
    assert ico[offset:offset + size] == png, side
PY
[ "$(find icons -type f | wc -l)" = 8 ] || fail "--icons wrote $(find icons -type f | wc -l) files"

[ "$failures" = 0 ] && echo "kelvane-assetgen: all command-line checks passed"
exit $((failures > 0))
