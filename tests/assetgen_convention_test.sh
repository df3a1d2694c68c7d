#!/bin/bash
# kelvane-assetgen and the tools' shared command-line convention: help and
# version win wherever they stand, short options stand alone, and the probe
# of the output folder never follows a link planted at its name.
# Usage: assetgen_convention_test.sh path/to/kelvane-assetgen
set -uo pipefail
generator="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# ARGS...: status 0, the first line of stdout matching PATTERN, nothing made.
expect_output() {
  local pattern="$1"
  shift
  "$generator" "$@" >asked.out 2>asked.err || fail "$* exits $?"
  head -n 1 asked.out | grep -qE "$pattern" || fail "$*: $(head -n 1 asked.out)"
  [ -s asked.err ] && fail "$* writes to stderr: $(cat asked.err)"
  [ "$(ls)" = "$(printf 'asked.err\nasked.out')" ] || fail "$* made: $(ls)"
}
expect_output '^usage: kelvane-assetgen DIR$' --bogus --help
expect_output '^usage: kelvane-assetgen DIR$' pack extra -h
expect_output '^kelvane-assetgen [0-9]+\.[0-9]+\.[0-9]+$' --icons=icons -V
expect_output '^kelvane-assetgen [0-9]+\.[0-9]+\.[0-9]+$' --vers

# A cluster of short options is a mistake, not help: status 2, nothing made.
for cluster in -hX -Vh; do
  "$generator" "$cluster" pack >out.txt 2>err.txt
  [ $? = 2 ] || fail "$cluster does not exit 2"
  [ "$(head -n 1 err.txt)" = "kelvane-assetgen: unrecognized option '$cluster'" ] ||
    fail "$cluster says: $(cat err.txt)"
  [ -s out.txt ] && fail "$cluster writes to stdout"
  [ -e pack ] && fail "$cluster made the pack"
done

# A link planted at the probe's name is neither followed nor removed: the
# file it points at keeps its bytes, and the run fails naming the link.
mkdir pack
printf 'not to be touched\n' >outside.txt
cp outside.txt outside.expected
ln -s ../outside.txt pack/.kelvane-assetgen-probe
"$generator" pack >out.txt 2>err.txt
[ $? = 1 ] || fail "a link at the probe's name does not exit 1"
grep -qx "kelvane-assetgen: pack: cannot write there: pack/.kelvane-assetgen-probe is in the way" \
  err.txt || fail "a link at the probe's name says: $(cat err.txt)"
cmp -s outside.txt outside.expected || fail "the probe wrote through the link: $(cat outside.txt)"
[ -L pack/.kelvane-assetgen-probe ] || fail "the link at the probe's name is gone"
[ "$(find pack -type f | wc -l)" = 0 ] || fail "files were written after the probe failed"

[ "$failures" = 0 ] && echo "kelvane-assetgen: the command-line convention holds"
exit $((failures > 0))
