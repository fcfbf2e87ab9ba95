#!/usr/bin/env bash
# What scripts/run.sh installs and builds. install-deps.sh's run mode checks for building and
# running alone, its default mode for the test stacks too. run.sh, beside a cmake that records its
# calls, prints 500 lines and makes stand-in programs, asks for the run mode, builds the programs
# alone without the tests, says in a few lines that it draws through EGL, and shows only the
# failing part of a failing build.
# usage: run-script.sh SOURCE_DIR
. "$(dirname "$0")/lib.sh"
test_name=install.run-script
run=$("$1/scripts/install-deps.sh" run --list | LC_ALL=C sort | xargs)
expected="build-essential cmake libegl-dev libgl-dev libgl1-mesa-dri libglew-dev libglu1-mesa-dev"
[[ $run == "$expected libpng-dev libsdl1.2-dev libx11-dev pkg-config" ]] || fail "run mode: $run"
all=$("$1/scripts/install-deps.sh" --list)
for package in $run libgtest-dev libbenchmark-dev xvfb xdotool weston picom openbox imagemagick \
  mesa-vulkan-drivers libsdl2-2.0-0 lintian; do
  grep -q -x -F "$package" <<<"$all" || fail "install-deps.sh (all) does not check for $package"
done

mkdir -p "$work/tree/scripts" "$work/bin" && cp "$1/scripts/run.sh" "$work/tree/scripts/"
export calls=$work/calls
printf '#!/bin/sh\necho "install-deps $*" >>"$calls"\n' >"$work/tree/scripts/install-deps.sh"
cat >"$work/bin/cmake" <<'EOF'
#!/usr/bin/env bash
echo "cmake $*" >>"$calls"
[[ $1 == --build ]] || exit 0
seq 500
[[ -z ${BREAK:-} ]] || { echo "tube.cpp:9: error: broken" && seq 30 && exit 2; }
printf '#!/bin/sh\necho shader log\n>"$1"\n' | tee "$2/swancage" >"$2/swancage-snapshot"
chmod +x "$2/swancage-snapshot" "$2/swancage"
EOF
chmod +x "$work/tree/scripts/install-deps.sh" "$work/bin/cmake"
run_for 30 env -u DISPLAY -u WAYLAND_DISPLAY PATH="$work/bin:$PATH" bash "$work/tree/scripts/run.sh"
[[ $status -eq 0 && -f $work/tree/out/swancage.png ]] || fail "status $status: $(cat "$work/err")"
log=$(cat "$calls")
grep -q -x 'install-deps run' <<<"$log" || fail "run.sh asks install-deps.sh: $log"
grep -q '^cmake -S .* -DSWANCAGE_TESTS=OFF' <<<"$log" || fail "configured with the tests: $log"
targets=' --target swancage swancage-snapshot swancage_dist_files$'
! grep '^cmake --build' <<<"$log" | grep -v -q -e "$targets" || fail "run.sh builds more: $log"
[[ $(cat "$work/out" "$work/err" | wc -l) -le 5 ]] && ! grep -q 'shader log' "$work/out" &&
  grep -q 'EGL' "$work/out" || fail "run.sh printed: $(cat "$work/out" "$work/err")"
run_for 30 env BREAK=1 PATH="$work/bin:$PATH" bash "$work/tree/scripts/run.sh"
[[ $status -ne 0 ]] && grep -q -x 'tube.cpp:9: error: broken' "$work/err" &&
  ! grep -q -x 250 "$work/err" || fail "a failing build: $status, $(cat "$work/out" "$work/err")"
pass
