#!/usr/bin/env bash
# Compares this build's swancage-snapshot with another build's, in one X session: RUNS pairs, the
# other build first in each pair, then this one. For each it prints the median wall time of the
# whole process (from just before it starts to just after it has exited, so the PNG is written),
# its CPU time (user + system, all threads, from /usr/bin/time -f) and its peak resident memory,
# then the ratios this build over the other. The load average before and after is printed with
# them, since other work on the machine changes both builds' figures, and the share of the
# machine's CPU time that the hypervisor gave other guests while they ran (steal time, from
# /proc/stat): a build that keeps both cores busy loses more to it than one that keeps one, so
# compare ratios only from runs with little of it.
# The environment reaches both programs as it is: MESA_SHADER_CACHE_DISABLE=true compares cold
# shader caches, LIBGL_ALWAYS_SOFTWARE=1 MESA_LOADER_DRIVER_OVERRIDE=zink compares on zink.
# usage: bench/compare_snapshot.sh OTHER_BUILD_DIR [RUNS] [BUILD_DIR]   (default 9 pairs, build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[[ $# -ge 1 ]] || { echo "usage: $0 OTHER_BUILD_DIR [RUNS] [BUILD_DIR]" >&2; exit 2; }
other=$(cd "$1" && pwd)/swancage-snapshot
runs=${2:-9}
this=$(cd "${3:-$root/build}" && pwd)/swancage-snapshot
for program in "$other" "$this"; do
  [[ -x "$program" ]] || { echo "no $program: build it first" >&2; exit 2; }
done
if [[ -z "${DISPLAY:-}" ]]; then
  exec "$root/scripts/with-display.sh" "$0" "$(dirname "$other")" "$runs" "$(dirname "$this")"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
# All CPU time so far and its steal part (the eighth figure of /proc/stat's "cpu" line).
cpu_times() { awk '$1 == "cpu" { t = 0; for (i = 2; i <= 9; ++i) t += $i; print t, $9 }' /proc/stat; }
read -r total_before steal_before < <(cpu_times)

# One run of `program`, labelled `which`: wall seconds, CPU seconds and peak RSS in kB.
run_once() {
  local which=$1 program=$2 start end
  start=$EPOCHREALTIME
  /usr/bin/time -f '%U %S %M' -o "$work/time" timeout -s KILL 600 "$program" "$work/$which.png" \
    >/dev/null || { echo "$program failed" >&2; exit 1; }
  end=$EPOCHREALTIME
  read -r user sys kb <"$work/time"
  echo "$which $(awk -v a="$start" -v b="$end" -v u="$user" -v s="$sys" -v k="$kb" \
    'BEGIN { printf "%.4f %.2f %d", b - a, u + s, k }')" >>"$work/runs"
}

for ((r = 0; r < runs; r++)); do
  run_once other "$other"
  run_once this "$this"
done

source "$root/bench/lib.sh"
column_median() { awk -v w="$1" -v c="$2" '$1 == w { print $c }' "$work/runs" | median; }
printf '%-28s %12s %12s %8s\n' "figure (median of $runs)" "other" "this" "ratio"
for figure in "wall time (s):2" "CPU time, user+sys (s):3" "peak RSS (MB):4"; do
  name=${figure%:*} col=${figure##*:}
  a=$(column_median other "$col") b=$(column_median this "$col")
  [[ $col -eq 4 ]] && a=$(awk -v k="$a" 'BEGIN { print k / 1024 }') && b=$(awk -v k="$b" 'BEGIN { print k / 1024 }')
  printf '%-28s %12.3f %12.3f %7.2fx\n' "$name" "$a" "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN { print b / a }')"
done
echo "other: $other"
echo "this:  $this"
echo "load average before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores"
read -r total_after steal_after < <(cpu_times)
echo "steal time: $(awk -v t=$((total_after - total_before)) -v s=$((steal_after - steal_before)) \
  'BEGIN { printf "%.1f", (t > 0 ? 100 * s / t : 0) }') % of the machine's CPU time during the runs"
if [[ -x "$root/build/swancage-imgdiff" ]]; then
  echo "pixels of this build's last picture off the other's (>0): $("$root/build/swancage-imgdiff" "$work/other.png" "$work/this.png" 0 1 255 1 2>&1 | tail -1)"
fi
