#!/bin/bash
# Builds the web page into build/web (the native build first, for the asset
# pack and the icon) and serves it on http://127.0.0.1:PORT/ (8000 unless
# given) until Ctrl-C. Needs Debian's emscripten and python3.
#   web/serve.sh [PORT]
set -euo pipefail
cd "$(dirname "$0")/.."
port=${1:-8000}
# A new build folder gets the demo, the tools and the page only; an existing
# one keeps its settings and gains the page.
options=(-DKELVANE_WEB=ON)
[ -f build/CMakeCache.txt ] || options+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF)
cmake -S . -B build "${options[@]}" >/dev/null
cmake --build build -j"$(nproc)" --target web
echo "Kelvane: http://127.0.0.1:$port/"
exec python3 -m http.server --bind 127.0.0.1 --directory build/web "$port"
