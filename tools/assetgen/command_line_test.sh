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

# --icons: seven RGBA PNGs of their sizes, and nothing else.
"$generator" --icons=icons/hicolor || fail "--icons exits non-zero"
for side in 16 24 32 48 64 128 256; do
  png="icons/hicolor/${side}x${side}/kelvane.png"
  # PNG signature, then IHDR: width and height (4 bytes each), depth 8, type 6 (RGBA).
  header="$(od -An -tu1 -j16 -N10 "$png" 2>/dev/null | tr -s ' ')"
  expected=" 0 0 $((side >> 8)) $((side & 255)) 0 0 $((side >> 8)) $((side & 255)) 8 6"
  [ "$header" = "$expected" ] || fail "$png: header$header"
done
[ "$(find icons -type f | wc -l)" = 7 ] || fail "--icons wrote $(find icons -type f | wc -l) files"

[ "$failures" = 0 ] && echo "kelvane-assetgen: all command-line checks passed"
exit $((failures > 0))
