#!/usr/bin/env bash
# Builds the page with Emscripten into build-web/ and serves it on this machine only
# (127.0.0.1), printing its address: open it in a browser with WebGL 2. Ctrl-C stops the server.
# A page must be served: a browser does not load WebAssembly from a file:// address.
# usage: scripts/web.sh [PORT]   (default 8080)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-web
port=${1:-8080}

echo "checking what building the page needs..."
"$root/scripts/install-deps.sh" web
# Debian's Emscripten finds its own JavaScript packages (acorn) there.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
echo "building the page into $build..."
mkdir -p "$build"
log=$build/web-build.log
if ! { emcmake cmake -S "$root" -B "$build" -DSWANCAGE_TESTS=OFF &&
  cmake --build "$build" -j "$(nproc)" --target swancage; } >"$log" 2>&1; then
  echo "the build failed; from $log:" >&2
  grep -i -A 3 'error' "$log" | head -n 40 >&2 || tail -n 20 "$log" >&2
  exit 1
fi
echo "serving the page: open http://127.0.0.1:$port/swancage.html (Ctrl-C stops it)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$build"
