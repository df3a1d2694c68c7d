#!/bin/bash
# Frames of every timeline row, 675 x 525 at level 0: its middle, and for the
# web page its first and last demo unit too (row_frames --moments); and three
# glitch frames a seek reaches, with the music's level.
#   rows.sh reference ROW_FRAMES DATA DIR CAPTURE   GL 1.1 frames from the
#       capture tool into DIR/native/rowNN[-first|-last].png, and the glitch
#       frames as a capture from frame 0 draws them (seek-NNNNN.png)
#   rows.sh gles ROW_FRAMES DATA DIR COMPARE        the same rows through the
#       fixed-function layer on OpenGL ES 2 into DIR/gles/, each compared
#       with its reference
#   rows.sh web ROW_FRAMES WEB_DIR DIR COMPARE      the same rows in headless
#       Chromium (tests/web/drive.js, from KELVANE_WEB_DRIVER's node_modules)
#       into DIR/web/, each compared with its reference with one pixel of
#       tolerance, one of them drawn twice, and the glitch frames after a
#       live seek of the page
set -euo pipefail
mode=$1 rows=$2 data=$3 dir=$4 tool=$5
# Frames 5530, 5560 and 5600 of the 60 fps grid, inside the glitch (900-918):
# a little before each frame's demo time, which a seek rounds to it.
seeks="903.2 908.1 914.6"
case "$mode" in
  reference)
    rm -rf "$dir/native" && mkdir -p "$dir/native"
    "$rows" --moments | while read -r _ name d _; do
      "$tool" --at "$d" --level 0 --size 675x525 --data "$data" --out "$dir/native/$name.png" \
        >/dev/null
    done
    for d in $seeks; do
      "$tool" --frames "$dir/native/seek" --from "$d" --duration 0.01 --size 675x525 \
        --data "$data" >/dev/null 2>&1
    done
    ls "$dir/native" | wc -l | grep -qx 49
    ls "$dir/native/seek" | wc -l | grep -qx 3
    ;;
  gles)
    # OpenGL ES 2 on the same Mesa: the same rasteriser, so the bound is
    # tight; what differs is the vertex arithmetic (double on the CPU here).
    rm -rf "$dir/gles" && mkdir -p "$dir/gles"
    "$rows" "$data" "$dir/gles" 675 525 >/dev/null
    status=0
    for ref in "$dir"/native/row[0-9][0-9].png; do
      name=$(basename "$ref")
      printf '%s ' "${name%.png}"
      "$tool" "$ref" "$dir/gles/$name" 0.1 38 || status=1
    done
    exit $status
    ;;
  web)
    # WebGL on SwiftShader: another rasteriser, so edges and points differ
    # by a pixel here and there. The lenses are held closer: they are where
    # the order of a quad's two triangles shows.
    web=$data
    rm -rf "$dir/web" && mkdir -p "$dir/web"
    # shellcheck disable=SC2046
    NODE_PATH=$KELVANE_WEB_DRIVER/node_modules node "$(dirname "$0")/../web/drive.js" frames \
      "$web" "$dir/web" $("$rows" --moments | awk '{print $2 ":" $3}') -- $seeks
    status=0
    while read -r _ name d scene; do
      printf '%-12s %-7s %-15s ' "$name" "$d" "$scene"
      "$tool" "$dir/native/$name.png" "$dir/web/$name.png" 0.05 30 --near || status=1
    done < <("$rows" --moments)
    for ref in "$dir"/native/seek/frame-*.png; do
      name=$(basename "$ref" .png)
      printf '%-12s %-7s %-15s ' "seek ${name#frame-}" "" Glitch
      "$tool" "$ref" "$dir/web/seek-${name#frame-}.png" 0.05 30 --near || status=1
    done
    exit $status
    ;;
  *) echo "rows.sh: unknown mode $mode" >&2; exit 2 ;;
esac
