#!/bin/bash
# Every include in src/ points down: a file in one layer includes only its
# own layer and those below it (platform < assets < geometry < scenes < demo
# < hosts). A layer is the first folder under src/; the platform's and the
# hosts' subfolders are parts of one layer. Every file lies in a layer's
# folder, none directly in src/.
# With TOOLS_DIR, no tool includes another tool's header either: what two
# tools share lies in src/ or directly in tools/.
set -euo pipefail
src="${1:?usage: layers_test.sh SRC_DIR [TOOLS_DIR]}"
tools="${2:-}"
rank() {
  case "$1" in
    platform) echo 0 ;; assets) echo 1 ;; geometry) echo 2 ;; scenes) echo 3 ;; demo) echo 4 ;;
    hosts) echo 5 ;;
    *) echo -1 ;;
  esac
}
bad=0
while IFS= read -r file; do
  relative=${file#"$src"/}
  layer=${relative%%/*}
  own=$(rank "$layer")
  if [ "$relative" = "$layer" ] || [ "$own" -lt 0 ]; then
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
done < <(find "$src" -type f | sort)
if [ -n "$tools" ]; then
  while IFS= read -r file; do
    relative=${file#"$tools"/}
    [[ "$relative" == */* ]] || continue # shared by every tool
    tool=${relative%%/*}
    while IFS=: read -r line target; do
      other=${target%%/*}
      if [[ "$target" == */* ]] && [ -d "$tools/$other" ] && [ "$other" != "$tool" ]; then
        echo "$file:$line: $tool includes $target"
        bad=1
      fi
    done < <(grep -n '^#include "' "$file" | sed 's/^\([0-9]*\):#include "\([^"]*\)".*/\1:\2/')
  done < <(find "$tools" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
fi
exit $bad
