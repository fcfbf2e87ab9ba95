#!/usr/bin/env bash
# Draws the picture on each GL stack and prints, per stack, the median time from process start to
# the written picture, the median peak resident memory, and how many pixels differ from the
# baseline (by more than the image tests' tolerance, and by anything at all).
# usage: bench/stacks.sh [RUNS [STACK...]]   stacks: llvmpipe sdl12-compat zink softpipe
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
build=$root/build baseline=$root/docs/swancage.png
[[ -f "$build/image-limits.sh" ]] || { echo "bench/stacks.sh: no $build/image-limits.sh: build first" >&2; exit 2; }
source "$build/image-limits.sh"  # the image tests' limits, written by CMake
source "$root/bench/lib.sh"
for stack in "${stacks[@]}"; do  # refuse a mistyped stack before measuring anything
  case "$stack" in
    llvmpipe | softpipe | zink | sdl12-compat) ;;
    *) echo "bench/stacks.sh: unknown stack $stack (llvmpipe, sdl12-compat, zink or softpipe)" >&2; exit 2 ;;
  esac
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-14s %18s %16s %24s\n' stack "time to picture" "peak memory" "pixels off (>$image_tolerance / >0)"
for stack in "${stacks[@]}"; do
  # Set here, not in a command substitution, so that a failure stops the script.
  case "$stack" in
    llvmpipe) settings=(LIBGL_ALWAYS_SOFTWARE=1) ;;
    softpipe) settings=(LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=softpipe) ;;
    zink) settings=(LIBGL_ALWAYS_SOFTWARE=1 MESA_LOADER_DRIVER_OVERRIDE=zink) ;;
    sdl12-compat)
      lib=$("$root/scripts/fetch-sdl12-compat.sh" "$build/sdl12-compat")
      settings=(LD_LIBRARY_PATH="$lib") ;;
  esac
  : >"$work/times"
  : >"$work/peaks"
  for ((i = 0; i < runs; i++)); do
    env "${settings[@]}" timeout -s KILL 900 /usr/bin/time -f '%e %M' -o "$work/time" \
      "$build/swancage-snapshot" "$work/$stack.png" >/dev/null 2>"$work/err" ||
      { cat "$work/err" >&2; echo "bench/stacks.sh: $stack: the snapshot failed" >&2; exit 1; }
    read -r seconds peak_kb <"$work/time"
    echo "$seconds" >>"$work/times"
    echo "$peak_kb" >>"$work/peaks"
  done
  count() {
    "$build/swancage-imgdiff" "$baseline" "$work/$stack.png" "$1" 1 255 1 | sed -E 's/.*: ([0-9]+) of .*/\1/'
  }
  printf '%-14s %16.2f s %13.0f MB %24s\n' "$stack" "$(median <"$work/times")" \
    "$(median <"$work/peaks" | awk '{ printf "%d", $1 / 1024 }')" "$(count "$image_tolerance") / $(count 0)"
done
