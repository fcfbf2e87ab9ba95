#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite on a private virtual X server,
# then the CPU-side tests again under AddressSanitizer and UBSan, the concurrent ones under
# ThreadSanitizer, and the Windows build's tests under Wine. The private server is used even
# when DISPLAY is set: the end-to-end tests move the pointer and type keys, which must not land in
# the user's desktop.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

# The program alone must configure without any test library.
cmake -S "$root" -B "$root/build-notests" -DCMAKE_BUILD_TYPE=Release -DSWANCAGE_TESTS=OFF >/dev/null

"$root/scripts/build.sh" build -DSWANCAGE_TESTS=ON

# The Windows build (its libraries the first time, then the programs and their tests) goes on
# beside the Linux suite, at the lowest priority: most of the Linux end-to-end cases wait on
# windows and timers, and leave the cores to it.
mkdir -p "$root/build-windows"
nice -n 19 "$root/scripts/build-windows.sh" --tests >"$root/build-windows/test-build.log" 2>&1 &
windows_build=$!
trap 'kill -KILL "$windows_build" 2>/dev/null || true' EXIT

env -u DISPLAY "$root/scripts/with-display.sh" ctest --test-dir "$root/build" --output-on-failure -j 2

# The Windows programs and their tests under Wine, on an X server of their own, beside the
# sanitizer builds and their tests, with the Linux tree's picture tools.
wait "$windows_build" || { cat "$root/build-windows/test-build.log" >&2 && exit 1; }
env -u DISPLAY IMGDIFF="$root/build/swancage-imgdiff" "$root/scripts/with-display.sh" \
  ctest --test-dir "$root/build-windows/build" --output-on-failure -j 2 \
  >"$root/build-windows/test.log" 2>&1 &
windows_tests=$!
trap 'kill -KILL "$windows_build" "$windows_tests" 2>/dev/null || true' EXIT

"$root/scripts/build.sh" build-asan -DSWANCAGE_TESTS=ON -DSWANCAGE_SANITIZE=ON -DSWANCAGE_CPU_ONLY=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j 2 -L cpu

# Everything that runs work beside the drawing thread (the lines of pieces, the frame, its passes,
# the helper and the PNG writer) carries the label "concurrent": those tests again under
# ThreadSanitizer.
# halt_on_error turns any report into a failing status; the suppressions cover what the sanitizer
# cannot see inside Mesa (see the file).
cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=Release -DSWANCAGE_TESTS=ON \
  -DSWANCAGE_TSAN=ON >/dev/null
cmake --build "$root/build-tsan" -j "$(nproc)" --target pipeline_tests frame_tests image_tests
env -u DISPLAY TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan.supp" \
  "$root/scripts/with-display.sh" ctest --test-dir "$root/build-tsan" --output-on-failure -j 2 \
  -L concurrent

windows_status=0
wait "$windows_tests" || windows_status=$?
cat "$root/build-windows/test.log"
exit "$windows_status"
