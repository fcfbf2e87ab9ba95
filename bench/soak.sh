#!/usr/bin/env bash
# Runs swancage for a while after its first frame and reports whether its resident memory grows and
# how much CPU the presenting loop costs. Run by hand: bench/soak.sh [SECONDS [PRELOAD]] (default
# 60 s). PRELOAD is a library preloaded into swancage alone, such as build/libdiscard_swap.so, the
# emulation of a driver that discards the back buffer on every swap.
# Needs a built tree (scripts/build.sh build); starts a virtual X server when DISPLAY is unset.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
preload=${2:-}
if [[ -z "${DISPLAY:-}" ]]; then
  exec "$root/scripts/with-display.sh" "$0" "$@"
fi
env ${preload:+LD_PRELOAD="$preload"} "$root/build/swancage" >/dev/null &
pid=$!
trap 'kill -KILL $pid 2>/dev/null' EXIT

rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$pid/status"; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }  # utime + stime

# The first frame is done once the process has used less than 90% of a core for two seconds in a
# row: drawing keeps at least one core busy, and presenting, even with the frame put back before
# every swap, does not.
tick=$(getconf CLK_TCK)
prev=$(cpu_ticks) quiet=0
while sleep 1; do
  now=$(cpu_ticks)
  if (( (now - prev) * 10 < tick * 9 )); then ((++quiet)); else quiet=0; fi
  ((quiet >= 2)) && break
  prev=$now
done
start_rss=$(rss_kb) start_cpu=$(cpu_ticks) start_time=$(date +%s.%N)
max_rss=$start_rss
for ((i = 0; i < seconds; i++)); do
  sleep 1
  r=$(rss_kb)
  (( r > max_rss )) && max_rss=$r
done
end_rss=$(rss_kb) end_cpu=$(cpu_ticks) end_time=$(date +%s.%N)
xdotool search --name '^swancage$' key Escape >/dev/null 2>&1 || true
awk -v s="$start_rss" -v e="$end_rss" -v m="$max_rss" -v c0="$start_cpu" -v c1="$end_cpu" \
  -v t0="$start_time" -v t1="$end_time" -v hz="$tick" 'BEGIN {
  wall = t1 - t0; cpu = (c1 - c0) / hz
  printf "soak: %.1f s of presenting after the first frame\n", wall
  printf "resident memory: %.1f MB at start, %.1f MB at end, %.1f MB peak (growth %+d kB)\n",
         s / 1024, e / 1024, m / 1024, e - s
  printf "loop CPU: %.2f s over %.1f s = %.2f%% of one core\n", cpu, wall, 100 * cpu / wall
}'
