#!/usr/bin/env bash
# The page's first frame against the native window's, alternated: ROUNDS times, the page loaded
# in headless Chromium (WebGL 2 on SwiftShader) timed from the start of its load to its drawn
# frame, then the window program's first frame timed from process start (swancage-bench-frame,
# one run); prints both medians and their ratio, page over window.
# usage: bench/web.sh ROUNDS [BUILD [WEB_BUILD]]   (defaults build and build-web; wrap it in
# scripts/with-display.sh without a display)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/lib.sh"
rounds=${1:?usage: bench/web.sh ROUNDS [BUILD [WEB_BUILD]]}
build=${2:-$root/build} web=${3:-$root/build-web}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for ((i = 0; i < rounds; i++)); do
  rm -rf "$work/page" && mkdir "$work/page"
  python3 "$root/tests/web/page_client.py" "$web" "$work/page" >/dev/null
  [[ $(cat "$work/page/state") == drawn ]] || { echo "the page did not draw" >&2 && exit 1; }
  awk '{ print $1 / 1000 }' "$work/page/first-frame-ms" >>"$work/page.txt"
  "$build/swancage-bench-frame" 1 2>/dev/null |
    awk '$1 == "first_frame_since_process_start" { print $2 }' >>"$work/window.txt"
done
page=$(median <"$work/page.txt") window=$(median <"$work/window.txt")
echo "rounds: $rounds"
echo "page, load to first frame (s):      $page   (each: $(tr '\n' ' ' <"$work/page.txt"))"
echo "window, start to first frame (s):   $window   (each: $(tr '\n' ' ' <"$work/window.txt"))"
awk -v p="$page" -v w="$window" 'BEGIN { printf "ratio, page over window:           %.2fx\n", p / w }'
