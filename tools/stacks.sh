#!/usr/bin/env bash
# Draws the picture on each GL stack and prints, per stack, the median time from process start to
# the written picture, the median peak resident memory, and how many pixels differ from the
# baseline (by more than the image tests' tolerance, and by anything at all).
# usage: tools/stacks.sh [RUNS [STACK...]]   stacks: llvmpipe sdl12-compat zink softpipe
# Default: 3 runs of llvmpipe, sdl12-compat and zink. softpipe takes minutes per run.
# Needs a built tree (scripts/test.sh has built it); starts a virtual X server when DISPLAY is unset.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ -z "${DISPLAY:-}" ]]; then
  exec "$root/scripts/with-display.sh" "$0" "$@"
fi
runs=${1:-3}
shift || true
stacks=("$@")
[[ ${#stacks[@]} -gt 0 ]] || stacks=(llvmpipe sdl12-compat zink)
build=$root/build baseline=$root/docs/swancage.png tolerance=8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

stack_env() {
  case "$1" in
    llvmpipe) echo "LIBGL_ALWAYS_SOFTWARE=1" ;;
    softpipe) echo "LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=softpipe" ;;
    zink) echo "LIBGL_ALWAYS_SOFTWARE=1 MESA_LOADER_DRIVER_OVERRIDE=zink" ;;
    sdl12-compat) echo "LD_LIBRARY_PATH=$("$root/scripts/fetch-sdl12-compat.sh" "$build/sdl12-compat")" ;;
    *) echo "tools/stacks.sh: unknown stack $1" >&2 && exit 2 ;;
  esac
}

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

printf '%-14s %18s %16s %24s\n' stack "time to picture" "peak memory" "pixels off (>8 / >0)"
for stack in "${stacks[@]}"; do
  read -r -a settings <<<"$(stack_env "$stack")"
  : >"$work/times"
  : >"$work/peaks"
  for ((i = 0; i < runs; i++)); do
    env "${settings[@]}" timeout -s KILL 900 /usr/bin/time -f '%e %M' -o "$work/time" \
      "$build/swancage-snapshot" "$work/$stack.png" >/dev/null 2>"$work/err" ||
      { cat "$work/err" >&2; echo "tools/stacks.sh: $stack: the snapshot failed" >&2; exit 1; }
    read -r seconds peak_kb <"$work/time"
    echo "$seconds" >>"$work/times"
    echo "$peak_kb" >>"$work/peaks"
  done
  count() {
    "$build/swancage-imgdiff" "$baseline" "$work/$stack.png" "$1" 1 255 1 | sed -E 's/.*: ([0-9]+) of .*/\1/'
  }
  printf '%-14s %16.2f s %13.0f MB %24s\n' "$stack" "$(median <"$work/times")" \
    "$(($(median <"$work/peaks") / 1024))" "$(count "$tolerance") / $(count 0)"
done
