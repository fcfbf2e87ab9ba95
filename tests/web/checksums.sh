#!/usr/bin/env bash
# The geometry and the scene built to WebAssembly make what the native build makes, bit for bit:
# the checksum tool of the web tree (tests/web/build.sh) run under node, and its fingerprints
# compared with the committed ones. Only the source is shared with the native build, so a
# difference in the compiler's or the C library's arithmetic shows here first.
# usage: checksums.sh SOURCE_DIR WEB_BUILD_DIR
source "$(dirname "$0")/../lib/harness.sh"
test_name=web.checksums source=$1 build=$2
run_for 120 node "$build/print_scene_checksums.js" "$work/web.txt"
[[ $status -eq 0 ]] || fail "the checksum tool under node: status $status: $(cat "$work/err")"
diff "$source/tests/scene/checksums.txt" "$work/web.txt" >"$work/diff" ||
  fail "the WebAssembly build's fingerprints differ from the committed ones: $(cat "$work/diff")"
pass
