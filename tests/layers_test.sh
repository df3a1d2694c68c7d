#!/bin/bash
# Every include in src/ points down: a file in one layer includes only its
# own layer and those below it (platform < assets < geometry < scenes < demo).
set -euo pipefail
src="${1:?usage: layers_test.sh SRC_DIR}"
rank() {
  case "$1" in
    platform) echo 0 ;; assets) echo 1 ;; geometry) echo 2 ;; scenes) echo 3 ;; demo) echo 4 ;;
    *) echo -1 ;;
  esac
}
bad=0
for file in "$src"/*/*; do
  layer=$(basename "$(dirname "$file")")
  own=$(rank "$layer")
  if [ "$own" -lt 0 ]; then
    echo "$file: in no layer"
    bad=1
    continue
  fi
  while IFS=: read -r line target; do
    [[ "$target" == */* ]] || continue # a header of the file's own folder
    to=$(rank "${target%%/*}")
    if [ "$to" -lt 0 ] || [ "$to" -gt "$own" ]; then
      echo "$file:$line: $layer includes $target"
      bad=1
    fi
  done < <(grep -n '^#include "' "$file" | sed 's/^\([0-9]*\):#include "\([^"]*\)".*/\1:\2/')
done
exit $bad
