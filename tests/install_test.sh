#!/bin/bash
# What `cmake --install` and the .debs put on a machine, and the installed
# launcher running the demo. Usage: install_test.sh BUILD_DIR {prefix|deb|lintian}
#   prefix   installs into a scratch prefix, checks the tree, moves the
#            prefix and runs bin/kelvane from / under Xvfb, then without its
#            pack; makes the .debs, so that the build's manifests list /usr,
#            and uninstalls the prefix with its own libexec/kelvane/uninstall
#   deb      makes kelvane and kelvane-tools with cpack, checks their trees
#            and fields, installs them with dpkg, runs /usr/games/kelvane
#            from / under Xvfb and removes them again; skipped (status 77)
#            when not root or when a kelvane package is already installed
#   lintian  makes the .debs and fails on any error lintian finds in them;
#            skipped (status 77) without lintian
# The install directories come from the environment (BINDIR, LIBEXECDIR,
# DATADIR, MANDIR, DOCDIR, relative to the prefix), as the build configured
# them, and so does the project's VERSION.
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
packages="kelvane kelvane-tools"
# Installing and packaging rewrite the build's install_manifest*.txt, which
# list what the user's own last install or cpack put where; they are put
# back as they were.
shopt -s nullglob
mkdir "$work/manifests"
for manifest in "$build"/install_manifest*.txt; do cp -p "$manifest" "$work/manifests/"; done
cleanup() {
  [ -n "$demo" ] && kill "$demo" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  # shellcheck disable=SC2086
  [ -n "$installed_deb" ] && dpkg -r $packages >/dev/null 2>&1
  rm -f "$build"/install_manifest*.txt
  for manifest in "$work/manifests"/*; do cp -p "$manifest" "$build/"; done
  rm -rf "$work"
}
trap cleanup EXIT

# Makes the .debs into $work/deb and names them in $deb and $deb_tools.
make_debs() {
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
  deb=$(find "$work/deb" -maxdepth 1 -name 'kelvane_*.deb' | head -n 1)
  deb_tools=$(find "$work/deb" -maxdepth 1 -name 'kelvane-tools_*.deb' | head -n 1)
  [ -n "$deb" ] || fail "cpack made no kelvane_*.deb"
  [ -n "$deb_tools" ] || fail "cpack made no kelvane-tools_*.deb"
}

# The files an installed tree under ROOT must hold, each checked the way its
# users read it; the launcher is in ROOT/LAUNCHER_DIR.
check_tree() {
  local root=$1 launcher_dir=$2
  local desktop=$root/$DATADIR/applications/$app.desktop
  local metainfo=$root/$DATADIR/metainfo/$app.metainfo.xml
  [ -f "$desktop" ] || fail "no desktop entry $desktop"
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
  [ -f "$metainfo" ] || fail "no metainfo $metainfo"
  appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 ||
    { cat "$work/appstream" >&2; fail "appstreamcli rejects $metainfo"; }

  local page
  for page in man6/kelvane.6.gz man6/kelvane-player.6.gz man1/kelvane-assetgen.1.gz man1/kelvane-capture.1.gz man1/kelvane-inspect.1.gz; do
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
  (cd "$build/data" && find . -type f ! -name '.generated*' | sort) >"$work/built"
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
  [ -x "$root/$launcher_dir/kelvane" ] || fail "no $launcher_dir/kelvane"
  [ "$("$root/$launcher_dir/kelvane" --version)" = "kelvane $VERSION" ] ||
    fail "$launcher_dir/kelvane --version says $("$root/$launcher_dir/kelvane" --version)"
  [ "$("$root/$launcher_dir/kelvane-player" --version)" = "kelvane-player $VERSION" ] ||
    fail "no $launcher_dir/kelvane-player of version $VERSION"
  for program in kelvane-assetgen kelvane-capture kelvane-inspect; do
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
  echo "installed tree under $root: entries valid, 5 man pages, pack of $(wc -l <"$work/built") files, $(echo "$icon_sizes" | wc -w) icons"
}

start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  DISPLAY=":$(cat "$work/display")"
  export DISPLAY
}

# Runs LAUNCHER --original (the exact demo) from / with SDL's silent sound
# driver: the window must carry
# the caption, the demo must run in the installed pack (DATA) and draw a
# frame that is not black within ten seconds. Then the demo is stopped.
run_launcher() {
  local launcher=$1 data=$2
  (cd / && SDL_AUDIODRIVER=dummy exec "$launcher" --original) 2>"$work/stderr" &
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
  check_tree "$root" "$BINDIR"
  for file in LICENSE CHANGELOG.md; do
    [ -s "$root/$DOCDIR/$file" ] || fail "no $DOCDIR/$file"
  done
  # `man kelvane` with the prefix's bin/ on the PATH: man-db looks in the
  # share/man beside it.
  for page in man6/kelvane.6.gz man1/kelvane-capture.1.gz; do
    name=$(basename "$page" | cut -d. -f1)
    found=$(env -u MANPATH PATH="$root/$BINDIR:$PATH" man -w "$name" 2>/dev/null | head -n 1)
    [ "$(readlink -f "${found:-/nonexistent}")" = "$(readlink -f "$root/$MANDIR/$page")" ] ||
      fail "man -w $name finds <$found>, not $MANDIR/$page under $root"
  done
  start_xvfb
  run_launcher "$root/$BINDIR/kelvane" "$root/$DATADIR/kelvane/data"
  mv "$root/$DATADIR/kelvane/data" "$work/pack"
  (cd / && SDL_AUDIODRIVER=dummy "$root/$BINDIR/kelvane") >/dev/null 2>"$work/stderr"
  status=$?
  [ $status -eq 1 ] || fail "without its pack the launcher exited with status $status, expected 1"
  grep -q "asset pack is missing" "$work/stderr" || fail "without its pack the launcher said: $(cat "$work/stderr")"
  echo "without its pack: status 1, $(head -n 1 "$work/stderr")"
  mv "$work/pack" "$root/$DATADIR/kelvane/data"

  # Uninstalling. Making the .debs first rewrites the build's manifests with
  # /usr paths, which the prefix's own list does not depend on.
  list=$DATADIR/kelvane/install_manifest.txt
  uninstall=$root/$LIBEXECDIR/kelvane/uninstall
  [ -s "$root/$list" ] || fail "no list of installed files $list"
  [ "$(wc -l <"$root/$list")" -eq "$(cd "$root" && find . -type f | wc -l)" ] ||
    fail "$list does not list every installed file"
  grep -q '^/' "$root/$list" && fail "$list holds absolute paths"
  make_debs
  cat "$build"/install_manifest*.txt | grep -q '^/usr/' || fail "cpack left no /usr paths in the build's manifests"
  # What is not ours stays: a file beside ours, and lines leading out of the
  # prefix, whose targets exist, are refused.
  mkdir -p "$root/share/doc/other" "$work/outside"
  echo keep >"$root/$BINDIR/other-program"
  echo keep >"$root/share/doc/other/README"
  echo keep >"$work/outside/file"
  ln -s "$work/outside" "$root/share/elsewhere"
  printf '%s\n' ../outside/file "$work/outside/file" share/elsewhere/file >>"$root/$list"
  (cd / && "$uninstall") >"$work/uninstall.out" 2>"$work/uninstall.err"
  status=$?
  [ $status -eq 1 ] || fail "uninstall with refused lines exited with status $status, expected 1"
  [ "$(grep -c "refusing" "$work/uninstall.err")" -eq 3 ] || fail "uninstall did not refuse the 3 outside lines: $(cat "$work/uninstall.err")"
  [ -f "$work/outside/file" ] || fail "uninstall removed a file outside the prefix"
  (cd "$root" && find . ! -type d | sort) >"$work/left"
  printf '%s\n' "./$BINDIR/other-program" ./share/doc/other/README ./share/elsewhere | sort >"$work/expected"
  diff "$work/expected" "$work/left" >&2 || fail "after uninstalling, the prefix holds other files than the planted ones (< expected, > left)"
  left=$(cd "$root" && find . -path '*kelvane*')
  [ -z "$left" ] || fail "uninstall left $left"
  echo "uninstall: $(cat "$work/uninstall.out"); 3 lines outside the prefix refused, other files kept"
  # A plain install uninstalls cleanly, with status 0.
  cmake --install "$build" --prefix "$work/again" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; }
  "$work/again/$LIBEXECDIR/kelvane/uninstall" >/dev/null || fail "uninstall exited with status $?"
  left=$(cd "$work/again" && find . ! -type d)
  [ -z "$left" ] || fail "uninstall left $left"
  ;;
deb)
  [ "$(id -u)" -eq 0 ] || skip "installing the .deb needs root"
  for package in $packages; do
    if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      skip "a $package package is already installed; leaving it alone"
    fi
  done
  make_debs
  field() { dpkg-deb -f "$1" "$2"; }
  [ "$(field "$deb" Package)" = kelvane ] || fail "Package: $(field "$deb" Package)"
  [ "$(field "$deb" Version)" = "$VERSION" ] || fail "Version: $(field "$deb" Version)"
  [ "$(field "$deb" Section)" = games ] || fail "Section: $(field "$deb" Section)"
  field "$deb" Depends | grep -q "libsdl2-2.0-0" || fail "Depends lacks SDL2: $(field "$deb" Depends)"
  field "$deb" Depends | grep -q "libsdl2-mixer-2.0-0" || fail "Depends lacks SDL2_mixer: $(field "$deb" Depends)"
  [ "$(field "$deb_tools" Package)" = kelvane-tools ] || fail "Package: $(field "$deb_tools" Package)"
  [ "$(field "$deb_tools" Section)" = graphics ] || fail "kelvane-tools Section: $(field "$deb_tools" Section)"
  field "$deb_tools" Depends | grep -qF "kelvane (= $VERSION)" || fail "kelvane-tools Depends: $(field "$deb_tools" Depends)"
  field "$deb_tools" Recommends | grep -qw ffmpeg || fail "kelvane-tools Recommends: $(field "$deb_tools" Recommends)"
  # A game has its program in /usr/games and nothing in /usr/bin.
  dpkg-deb -c "$deb" | grep -q ' \./usr/bin/' && fail "kelvane has files in /usr/bin"
  echo "$(basename "$deb"): Depends: $(field "$deb" Depends)"
  echo "$(basename "$deb_tools"): Depends: $(field "$deb_tools" Depends)"
  dpkg-deb -x "$deb" "$work/root"
  dpkg-deb -x "$deb_tools" "$work/root"
  check_tree "$work/root/usr" games
  for package in $packages; do
    doc=$work/root/usr/$DATADIR/doc/$package
    head -n 1 "$doc/copyright" | grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
      fail "$package: copyright is not machine-readable"
    [ "$(gzip -dc "$doc/changelog.gz" | head -n 1)" = "kelvane ($VERSION) unstable; urgency=medium" ] ||
      fail "$package: changelog.gz does not start with $VERSION: $(gzip -dc "$doc/changelog.gz" | head -n 1)"
  done
  dpkg -i "$deb" "$deb_tools" >"$work/dpkg.log" 2>&1 || { installed_deb=1; cat "$work/dpkg.log" >&2; fail "dpkg -i failed"; }
  installed_deb=1
  start_xvfb
  run_launcher /usr/games/kelvane "/usr/$DATADIR/kelvane/data"
  # shellcheck disable=SC2086
  dpkg -r $packages >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -r failed"; }
  installed_deb=""
  for file in /usr/games/kelvane "/usr/$BINDIR/kelvane-capture" "/usr/$DATADIR/kelvane"; do
    [ ! -e "$file" ] || fail "$file is still there after dpkg -r"
  done
  echo "dpkg -i, kelvane under Xvfb, dpkg -r: done"
  ;;
lintian)
  command -v lintian >/dev/null || skip "lintian is not installed"
  make_debs
  # lintian warns on stderr when run as root; that line is dropped.
  lintian --fail-on error "$deb" "$deb_tools" >"$work/lintian" 2>"$work/lintian.err"
  status=$?
  grep -v "running with root privileges" "$work/lintian.err" >&2
  cat "$work/lintian"
  [ $status -eq 0 ] || fail "lintian finds errors in the packages (status $status)"
  echo "lintian: $(grep -c '^E: ' "$work/lintian") errors, $(grep -c '^W: ' "$work/lintian") warnings in $(basename "$deb") and $(basename "$deb_tools")"
  ;;
*) fail "unknown mode $mode" ;;
esac
