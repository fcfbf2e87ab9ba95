#!/usr/bin/env bash
# Installs what building and running need (no test stack), builds the two programs and shows the
# picture: with a display, the window until Escape; without one, swancage-snapshot draws it off
# screen through EGL, with no X server, into out/swancage.png. One line per step; the build's own
# output goes to build/run-build.log and is shown only when the build fails.
#
# The build tree is build/, the one scripts/test.sh builds: whichever command comes first, the
# programs compile once. Configured here without the tests (they need GoogleTest), it builds the
# programs and the gzipped man pages that `cmake --install build` installs, and nothing else;
# scripts/test.sh turns the tests back on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build

echo "checking what building and running need..."
"$root/scripts/install-deps.sh" run

if [[ -x $build/swancage && -x $build/swancage-snapshot ]]; then
  echo "building swancage (only what changed: seconds)..."
else
  echo "building swancage (about a minute)..."
fi
mkdir -p "$build"
log=$build/run-build.log
if ! { cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSWANCAGE_TESTS=OFF &&
  cmake --build "$build" -j "$(nproc)" --target swancage swancage-snapshot swancage_dist_files; } \
  >"$log" 2>&1; then
  # The lines naming an error, with what follows each; the log's end when none does.
  echo "the build failed; from $log:" >&2
  if grep -q -i 'error' "$log"; then
    grep -i -A 3 'error' "$log" | head -n 40 >&2 || true
  else
    tail -n 20 "$log" >&2
  fi
  exit 1
fi

# The programs' start-up log (a line for each shader) is kept in a file, shown if they fail.
run_log=$build/run.log
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  echo "opening the window: the picture appears in about a second; Escape closes it..."
  program=swancage status=0
  "$build/$program" >"$run_log" || status=$?
else
  mkdir -p "$root/out"
  echo "no display: drawing the picture off screen through EGL, no X server (about a second)..."
  program=swancage-snapshot status=0
  "$build/$program" "$root/out/swancage.png" >"$run_log" || status=$?
  ((status != 0)) || echo "the picture is in $root/out/swancage.png"
fi
if ((status != 0)); then
  echo "$program ended with status $status; its log:" >&2
  tail -n 20 "$run_log" >&2
fi
exit "$status"
