#!/usr/bin/env bash
# The geometry and the scene built to WebAssembly make what the native build makes, bit for bit:
# the build configured with emcmake in a tree of its own, the checksum tool run under node, and
# its fingerprints compared with the committed ones. Only the source is shared with the native
# build, so a difference in the compiler's or the C library's arithmetic shows here first.
# usage: checksums.sh SOURCE_DIR WEB_BUILD_DIR
source "$(dirname "$0")/../lib/harness.sh"
test_name=web.checksums source=$1 build=$2
command -v emcmake >/dev/null || fail "no emcmake: scripts/install-deps.sh installs Emscripten"
# Debian's Emscripten finds its own JavaScript packages (acorn) there.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
run_for 300 emcmake cmake -S "$source" -B "$build" -DSWANCAGE_TESTS=OFF
[[ $status -eq 0 ]] || fail "configuring with emcmake: $(tail -n 20 "$work/out" "$work/err")"
run_for 600 cmake --build "$build" --target print_scene_checksums
[[ $status -eq 0 ]] || fail "building with em++: $(tail -n 20 "$work/out" "$work/err")"
! grep -q 'warning:' "$work/out" "$work/err" || fail "em++ warns: $(grep -h 'warning:' "$work/out" "$work/err")"
run_for 120 node "$build/print_scene_checksums.js" "$work/web.txt"
[[ $status -eq 0 ]] || fail "the checksum tool under node: status $status: $(cat "$work/err")"
diff "$source/tests/scene/checksums.txt" "$work/web.txt" >"$work/diff" ||
  fail "the WebAssembly build's fingerprints differ from the committed ones: $(cat "$work/diff")"
pass
