#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite on a private virtual X server,
# then the CPU-side tests again under AddressSanitizer and UBSan. The private server is used even
# when DISPLAY is set: the end-to-end tests move the pointer and type keys, which must not land in
# the user's desktop.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

"$root/scripts/build.sh" build -DSWANCAGE_TESTS=ON
env -u DISPLAY "$root/scripts/with-display.sh" ctest --test-dir "$root/build" --output-on-failure -j 2

"$root/scripts/build.sh" build-asan -DSWANCAGE_TESTS=ON -DSWANCAGE_SANITIZE=ON -DSWANCAGE_CPU_ONLY=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j 2 -L cpu
