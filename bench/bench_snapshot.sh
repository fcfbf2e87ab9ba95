#!/usr/bin/env bash
# Times swancage-snapshot at several sizes against the default picture, in one X session:
# wall time and peak resident memory (from /usr/bin/time -v) of each whole process, as medians
# over ROUNDS rounds; each round runs every configuration once, in turn.
# usage: bench/bench_snapshot.sh [ROUNDS] [BUILD_DIR]   (default 3 rounds, build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-3}
snapshot=$(cd "${2:-$root/build}" && pwd)/swancage-snapshot
[[ -x "$snapshot" ]] || { echo "no $snapshot: build first (scripts/build.sh build)" >&2; exit 2; }
if [[ -z "${DISPLAY:-}" ]]; then exec "$root/scripts/with-display.sh" "$0" "$rounds" "$(dirname "$snapshot")"; fi

configs=("" "--size 1920x1080" "--size 3840x2160 --samples 4" "--size 7680x4320")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for ((r = 0; r < rounds; r++)); do
  for i in "${!configs[@]}"; do
    # shellcheck disable=SC2086  # the options are split on purpose
    /usr/bin/time -v -o "$work/time" timeout -s KILL 600 "$snapshot" ${configs[$i]} "$work/out.png" \
      >/dev/null || { echo "snapshot ${configs[$i]} failed" >&2; exit 1; }
    awk -v i="$i" '
      /Elapsed \(wall clock\)/ { n = split($NF, t, ":"); s = 0; for (k = 1; k <= n; k++) s = s * 60 + t[k] }
      /Maximum resident set size/ { kb = $NF }
      END { print i, s, kb }' "$work/time" >>"$work/runs"
  done
done

source "$root/bench/lib.sh"
printf '%-32s %10s %8s %14s\n' "snapshot" "time (s)" "ratio" "peak RSS (MB)"
for i in "${!configs[@]}"; do
  t=$(awk -v i="$i" '$1 == i { print $2 }' "$work/runs" | median)
  m=$(awk -v i="$i" '$1 == i { print $3 }' "$work/runs" | median)
  [[ $i -eq 0 ]] && base=$t
  printf '%-32s %10.2f %7.2fx %14.0f\n' "${configs[$i]:-(default, 1280x720 window)}" "$t" \
    "$(awk -v a="$t" -v b="$base" 'BEGIN { print a / b }')" "$(awk -v k="$m" 'BEGIN { print k / 1024 }')"
done
echo "medians of $rounds rounds; $(nproc) cores"
