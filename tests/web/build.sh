#!/usr/bin/env bash
# Builds the web tree the other web cases use: the same CMake lists configured with emcmake, the
# page and the checksum tool built with em++, which must not warn.
# usage: build.sh SOURCE_DIR WEB_BUILD_DIR
source "$(dirname "$0")/../lib/harness.sh"
test_name=web.build source=$1 build=$2
command -v emcmake >/dev/null || fail "no emcmake: scripts/install-deps.sh installs Emscripten"
# Debian's Emscripten finds its own JavaScript packages (acorn) there.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
run_for 300 emcmake cmake -S "$source" -B "$build" -DSWANCAGE_TESTS=OFF
[[ $status -eq 0 ]] || fail "configuring with emcmake: $(tail -n 20 "$work/out" "$work/err")"
run_for 600 cmake --build "$build" -j 2 --target swancage print_scene_checksums
[[ $status -eq 0 ]] || fail "building with em++: $(tail -n 20 "$work/out" "$work/err")"
! grep -q 'warning:' "$work/out" "$work/err" || fail "em++ warns: $(grep -h 'warning:' "$work/out" "$work/err")"
pass
