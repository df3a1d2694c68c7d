#!/bin/bash
# One frame per timeline row, at the row's middle, 675 x 525 at level 0.
#   rows.sh reference ROW_FRAMES DATA DIR CAPTURE   GL 1.1 frames from the
#       capture tool into DIR/native/rowNN.png
#   rows.sh gles ROW_FRAMES DATA DIR COMPARE        the same rows through the
#       fixed-function layer on OpenGL ES 2 into DIR/gles/, each compared
#       with its reference
#   rows.sh web ROW_FRAMES WEB_DIR DIR COMPARE      the same rows in headless
#       Chromium (tests/web/drive.js, from KELVANE_WEB_DRIVER's node_modules)
#       into DIR/web/, each compared with its reference, and one of them
#       drawn twice
set -euo pipefail
mode=$1 rows=$2 data=$3 dir=$4 tool=$5
case "$mode" in
  reference)
    rm -rf "$dir/native" && mkdir -p "$dir/native"
    "$rows" --times | while read -r row d _; do
      "$tool" --at "$d" --level 0 --size 675x525 --data "$data" --out "$dir/native/row$row.png" \
        >/dev/null
    done
    ls "$dir/native" | wc -l | grep -qx 16
    ;;
  gles)
    # OpenGL ES 2 on the same Mesa: the same rasteriser, so the bound is
    # tight; what differs is the vertex arithmetic (double on the CPU here).
    rm -rf "$dir/gles" && mkdir -p "$dir/gles"
    "$rows" "$data" "$dir/gles" 675 525 >/dev/null
    status=0
    for ref in "$dir"/native/row*.png; do
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
    NODE_PATH=$KELVANE_WEB_DRIVER/node_modules node "$(dirname "$0")/../web/drive.js" frames \
      "$web" "$dir/web"
    status=0
    while read -r row _ scene; do
      bound=0.5
      [ "$scene" = LensBubbles ] && bound=0.1
      printf 'row%s %s ' "$row" "$scene"
      "$tool" "$dir/native/row$row.png" "$dir/web/row$row.png" $bound 30 || status=1
    done < <("$rows" --times)
    exit $status
    ;;
  *) echo "rows.sh: unknown mode $mode" >&2; exit 2 ;;
esac
