#!/usr/bin/env bash
# The snapshot without a display (EGL on Mesa's surfaceless platform) against the snapshot with an
# X display, alternated in pairs: the medians of each run's wall time, CPU time (user + system)
# and peak resident memory, and their ratios (without over with).
# usage: bench/headless.sh [PAIRS] [BUILD_DIR]   (default 9 pairs, build/)
# Needs a built tree; starts a virtual X server for the X runs when DISPLAY is unset.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pairs=${1:-9}
build=$(cd "${2:-$root/build}" && pwd)
if [[ -z "${DISPLAY:-}" ]]; then exec "$root/scripts/with-display.sh" "$0" "$pairs" "$build"; fi
source "$root/bench/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
load=$(cut -d' ' -f1-3 /proc/loadavg)

run() {  # run NAME ENV...: one snapshot, its figures appended to $work/NAME
  local name=$1
  shift
  env "$@" /usr/bin/time -f '%e %U %S %M' -o "$work/time" timeout -s KILL 300 \
    "$build/swancage-snapshot" "$work/$name.png" >/dev/null ||
    { echo "bench/headless.sh: the $name snapshot failed" >&2; exit 1; }
  awk '{ print $1, $2 + $3, $4 / 1024 }' "$work/time" >>"$work/$name"
}
for ((i = 0; i < pairs; i++)); do
  run x DISPLAY="$DISPLAY"
  run egl -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work/none"
done
printf '%-24s %10s %10s %8s\n' "median of $pairs pairs" "X display" "no display" "ratio"
for column in 1 2 3; do
  label=$(echo "wall time (s)|CPU time (s)|peak memory (MB)" | cut -d'|' -f"$column")
  x=$(awk -v c="$column" '{ print $c }' "$work/x" | median)
  egl=$(awk -v c="$column" '{ print $c }' "$work/egl" | median)
  printf '%-24s %10.2f %10.2f %8.2f\n' "$label" "$x" "$egl" "$(awk -v a="$egl" -v b="$x" 'BEGIN { print a / b }')"
done
echo "load average before: $load, after: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores"
