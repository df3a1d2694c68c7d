#!/bin/bash
# What `cmake --install` and the .deb put on a machine, and the installed
# launcher running the demo. Usage: install_test.sh BUILD_DIR {prefix|deb}
#   prefix  installs into a scratch prefix, checks the tree, moves the prefix
#           and runs bin/kelvane from / under Xvfb, then without its pack
#   deb     makes the .deb with cpack, checks its tree and fields, installs it
#           with dpkg, runs `kelvane` from / under Xvfb and removes it again;
#           skipped (status 77) when not root or when a kelvane package is
#           already installed
# The install directories come from the environment (BINDIR, DATADIR,
# MANDIR, DOCDIR, relative to the prefix), as the build configured them, and
# so does the project's VERSION.
set -u
build=$(cd "$1" && pwd)
mode=$2
caption="Kelvane Drossim / ZUW - 2002. "
app=org.zuw.Kelvane
icon_sizes="16 24 32 48 64 128 256"
fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIP: $*"; exit 77; }
is_png() { [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; }

work=$(mktemp -d)
xvfb=""
demo=""
installed_deb=""
# Installing rewrites the build's install_manifest.txt, which lists what the
# user's own last install put where (README: uninstalling); it is put back.
manifest=$build/install_manifest.txt
[ -f "$manifest" ] && cp -p "$manifest" "$work/manifest"
cleanup() {
  [ -n "$demo" ] && kill "$demo" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  [ -n "$installed_deb" ] && dpkg -r kelvane >/dev/null 2>&1
  if [ -f "$work/manifest" ]; then cp -p "$work/manifest" "$manifest"; else rm -f "$manifest"; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The files an installed tree under ROOT must hold, each checked the way its
# users read it.
check_tree() {
  local root=$1
  local desktop=$root/$DATADIR/applications/$app.desktop
  local metainfo=$root/$DATADIR/metainfo/$app.metainfo.xml
  [ -f "$desktop" ] || fail "no desktop entry $desktop"
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
  [ -f "$metainfo" ] || fail "no metainfo $metainfo"
  appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 ||
    { cat "$work/appstream" >&2; fail "appstreamcli rejects $metainfo"; }

  local page
  for page in man6/kelvane.6 man1/kelvane-assetgen.1 man1/kelvane-capture.1 man1/kelvane-inspect.1; do
    [ -f "$root/$MANDIR/$page" ] || fail "no man page $MANDIR/$page"
    MANWIDTH=80 MANPAGER=cat PAGER=cat man --warnings -l "$root/$MANDIR/$page" \
      >"$work/man.out" 2>"$work/man.err" </dev/null || fail "man -l $page: status $?"
    [ -s "$work/man.out" ] || fail "man -l $page renders nothing"
    [ ! -s "$work/man.err" ] || fail "man -l $page warns: $(cat "$work/man.err")"
    grep -q "^NAME" "$work/man.out" || fail "man page $page has no NAME section"
  done

  # The pack: exactly the files the build generated, byte for byte, and
  # every load the demo makes of it right.
  local data=$root/$DATADIR/kelvane/data
  [ -d "$data" ] || fail "no asset pack in $data"
  (cd "$build/data" && find . -type f ! -name .generated | sort) >"$work/built"
  (cd "$data" && find . -type f | sort) >"$work/installed"
  diff "$work/built" "$work/installed" >&2 || fail "the installed pack differs from build/data (< built, > installed)"
  local file
  while read -r file; do
    cmp -s "$build/data/$file" "$data/$file" || fail "installed $file differs from the built one"
  done <"$work/built"
  "$root/$BINDIR/kelvane-inspect" check "$data" >"$work/check" || { cat "$work/check" >&2; fail "kelvane-inspect check rejects the installed pack"; }
  [ "$(grep -c ': ok$' "$work/check")" -eq 23 ] || fail "expected 23 asset loads to be ok: $(cat "$work/check")"

  # Icons: PNG files of their stated sizes (width and height are the first
  # two fields of the IHDR chunk, bytes 16 to 23).
  local size png
  for size in $icon_sizes; do
    png=$root/$DATADIR/icons/hicolor/${size}x${size}/apps/$app.png
    [ -f "$png" ] || fail "no icon $png"
    is_png "$png" || fail "$png is not a PNG"
    [ "$(od -An -j16 -N8 -tu1 "$png" | awk '{print ($1*2^24+$2*2^16+$3*2^8+$4) "x" ($5*2^24+$6*2^16+$7*2^8+$8)}')" = "${size}x${size}" ] ||
      fail "$png is not ${size}x${size}"
  done

  local program
  for program in kelvane kelvane-assetgen kelvane-capture kelvane-inspect; do
    [ -x "$root/$BINDIR/$program" ] || fail "no $BINDIR/$program"
  done
  for program in kelvane-assetgen kelvane-capture kelvane-inspect; do
    [ "$("$root/$BINDIR/$program" --version)" = "$program $VERSION" ] ||
      fail "$program --version does not say $VERSION"
  done
  # The installed capture tool finds the installed pack by itself.
  (cd / && "$root/$BINDIR/kelvane-capture" --at 450 --out "$work/frame.png") ||
    fail "the installed kelvane-capture --at 450 failed"
  is_png "$work/frame.png" || fail "kelvane-capture wrote no PNG"
  for file in LICENSE CHANGELOG.md; do
    [ -s "$root/$DOCDIR/$file" ] || fail "no $DOCDIR/$file"
  done
  echo "installed tree under $root: entries valid, 4 man pages, pack of $(wc -l <"$work/built") files, $(echo "$icon_sizes" | wc -w) icons"
}

start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  DISPLAY=":$(cat "$work/display")"
  export DISPLAY
}

# Runs LAUNCHER from / with SDL's silent sound driver: the window must carry
# the caption, the demo must run in the installed pack (DATA) and draw a
# frame that is not black within ten seconds. Then the demo is stopped.
run_launcher() {
  local launcher=$1 data=$2
  (cd / && SDL_AUDIODRIVER=dummy exec "$launcher") 2>"$work/stderr" &
  demo=$!
  local found=""
  for _ in $(seq 300); do
    if xwininfo -root -tree 2>/dev/null | grep -qF "\"$caption\""; then found=1; break; fi
    kill -0 "$demo" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$found" ] || { cat "$work/stderr" >&2; fail "no window captioned '$caption'"; }
  local name
  name=$(xprop -name "$caption" WM_NAME 2>/dev/null)
  [ "$name" = "WM_NAME(STRING) = \"$caption\"" ] || fail "caption is <$name>"
  [ "$(readlink "/proc/$demo/cwd")" = "$(cd "$data" && pwd -P)" ] ||
    fail "the demo runs in $(readlink "/proc/$demo/cwd"), not in the pack $data"
  # Share of the window's pixels brighter than 24 of 255, in thousandths,
  # grabbed from the screen with ffmpeg's x11grab.
  local geometry lit=0
  geometry=$(xwininfo -name "$caption" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print w "x" h, x "," y}')
  for _ in $(seq 20); do
    sleep 0.5
    kill -0 "$demo" 2>/dev/null || { cat "$work/stderr" >&2; fail "the demo ended early"; }
    lit=$(ffmpeg -v error -f x11grab -video_size "${geometry% *}" -i "$DISPLAY+${geometry#* }" \
      -frames:v 1 -f rawvideo -pix_fmt gray - </dev/null 2>/dev/null |
      od -An -v -tu1 | awk '{for (i = 1; i <= NF; i++) {n++; if ($i > 24) k++}} END {print n ? int(1000 * k / n) : 0}')
    [ "$lit" -ge 20 ] && break
  done
  [ "$lit" -ge 20 ] || fail "every frame grabbed was black (lit $lit/1000)"
  kill "$demo" 2>/dev/null
  wait "$demo" 2>/dev/null
  demo=""
  echo "$launcher from /: window '$caption', $lit/1000 of a frame lit"
}

case "$mode" in
prefix)
  cmake --install "$build" --prefix "$work/staged" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; }
  # The launcher finds everything relative to itself, so a moved prefix runs.
  mv "$work/staged" "$work/moved"
  root=$work/moved
  check_tree "$root"
  start_xvfb
  run_launcher "$root/$BINDIR/kelvane" "$root/$DATADIR/kelvane/data"
  mv "$root/$DATADIR/kelvane/data" "$work/pack"
  (cd / && SDL_AUDIODRIVER=dummy "$root/$BINDIR/kelvane") >/dev/null 2>"$work/stderr"
  status=$?
  [ $status -eq 1 ] || fail "without its pack the launcher exited with status $status, expected 1"
  grep -q "asset pack is missing" "$work/stderr" || fail "without its pack the launcher said: $(cat "$work/stderr")"
  echo "without its pack: status 1, $(head -n 1 "$work/stderr")"
  ;;
deb)
  [ "$(id -u)" -eq 0 ] || skip "installing the .deb needs root"
  if dpkg-query -W -f='${Status}' kelvane 2>/dev/null | grep -q "install ok installed"; then
    skip "a kelvane package is already installed; leaving it alone"
  fi
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
  deb=$(find "$work/deb" -maxdepth 1 -name 'kelvane_*.deb' | head -n 1)
  [ -n "$deb" ] || fail "cpack made no kelvane_*.deb"
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = kelvane ] || fail "Package: $(field Package)"
  [ "$(field Section)" = games ] || fail "Section: $(field Section)"
  field Depends | grep -q "libsdl2-2.0-0" || fail "Depends lacks SDL2: $(field Depends)"
  field Depends | grep -q "libsdl2-mixer-2.0-0" || fail "Depends lacks SDL2_mixer: $(field Depends)"
  field Recommends | grep -qw ffmpeg || fail "Recommends: $(field Recommends)"
  echo "$(basename "$deb"): Depends: $(field Depends)"
  dpkg-deb -x "$deb" "$work/root"
  check_tree "$work/root/usr"
  dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { installed_deb=1; cat "$work/dpkg.log" >&2; fail "dpkg -i failed"; }
  installed_deb=1
  start_xvfb
  run_launcher "/usr/$BINDIR/kelvane" "/usr/$DATADIR/kelvane/data"
  dpkg -r kelvane >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -r failed"; }
  installed_deb=""
  [ ! -e "/usr/$BINDIR/kelvane" ] || fail "/usr/$BINDIR/kelvane is still there after dpkg -r"
  [ ! -e "/usr/$DATADIR/kelvane" ] || fail "/usr/$DATADIR/kelvane is still there after dpkg -r"
  echo "dpkg -i, kelvane under Xvfb, dpkg -r: done"
  ;;
*) fail "unknown mode $mode" ;;
esac
