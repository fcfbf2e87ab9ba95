#!/usr/bin/env bash
# End-to-end checks of the real executables under a real X server, driven by real X clients.
# usage: e2e.sh CASE[:STACK] SWANCAGE SNAPSHOT XPOKE IMGDIFF BASELINE TOLERANCE MAX_SHARE
#               DISCARD_SHIM SDL12_COMPAT_DIR
# Every wait is bounded, and every process this script starts is killed with SIGKILL on exit, so
# a hung program fails its test instead of hanging the suite.
set -uo pipefail
test_name=$1 swancage=$2 snapshot=$3 xpoke=$4 imgdiff=$5
baseline=$6 tolerance=$7 max_share=$8 shim=${9:-} compat_dir=${10:-}
case_name=${test_name%%:*} stack=default
[[ $test_name == *:* ]] && stack=${test_name#*:}
work=$(mktemp -d)
pids=()
# The next case finds its window by title, so a killed swancage's window must be gone first.
cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done
  for ((i = 0; i < 50; i++)); do
    xdotool search --name '^swancage$' >/dev/null 2>&1 || break
    sleep 0.1
  done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL [$test_name]: $*" >&2
  exit 1
}

# The stack a case runs on: settings for every swancage and snapshot it starts ($stack_env), and
# a library that must be loaded, or the case would quietly test the default stack ($stack_lib).
stack_env=() stack_lib=
case "$stack" in
  default) ;;
  discard)  # every swap discards the back buffer; the program has to find that out itself
    stack_env=(LD_PRELOAD="$shim") stack_lib=$shim ;;
  discard-age)  # the same, and GLX_EXT_buffer_age says so
    stack_env=(LD_PRELOAD="$shim" DISCARD_SWAP_ADVERTISE_AGE=1) stack_lib=$shim ;;
  zink)  # Mesa's GL over Vulkan, here on lavapipe: another compiler and swapchain presentation
    stack_env=(LIBGL_ALWAYS_SOFTWARE=1 MESA_LOADER_DRIVER_OVERRIDE=zink) stack_lib=libvulkan_lvp.so ;;
  sdl12-compat)  # SDL 1.2's interface over SDL 2, whose default framebuffer is an object
    lib=$("$(dirname "$0")/../../scripts/fetch-sdl12-compat.sh" "$compat_dir") || fail "no sdl12-compat"
    stack_env=(LD_LIBRARY_PATH="$lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}")
    stack_lib=$lib/libSDL-1.2.so ;;
  *) fail "unknown stack $stack" ;;
esac
on_stack() { env "${stack_env[@]}" "$@"; }

# Runs the snapshot tool on the stack into $work/$1, with GL errors reported on $work/$1.err.
stack_snapshot() {
  on_stack MESA_DEBUG=1 LD_DEBUG=files LD_DEBUG_OUTPUT="$work/ld" \
    timeout -s KILL 120 "$snapshot" "$work/$1" >/dev/null 2>"$work/$1.err" || fail "snapshot failed"
  [[ -z "$stack_lib" ]] || grep -q -F "$stack_lib" "$work"/ld.* ||
    fail "the snapshot did not load $stack_lib"
  rm -f "$work"/ld.*
  check_no_gl_errors "$work/$1.err"
}

# Mesa reports each GL error the program raises under MESA_DEBUG. sdl12-compat raises one of its
# own while it sets up its framebuffer object; that one is not the program's.
check_no_gl_errors() {
  local errors
  errors=$(grep 'Mesa: User error' "$1" | grep -v 'glGetFramebufferAttachmentParameteriv')
  [[ -z "$errors" ]] || fail "GL errors: $errors"
}

# Starts swancage with its output in $work, waits for its window, gives it the keyboard focus and
# leaves the pointer over it, and sets $pid and $win.
start_swancage() {
  env "${stack_env[@]}" "$@" "$swancage" >"$work/out" 2>"$work/err" &  # env execs: $! is swancage
  pid=$!
  pids+=("$pid")
  win=$(timeout -s KILL 30 xdotool search --sync --name '^swancage$' | head -n 1)
  [[ -n "$win" ]] || fail "no swancage window appeared within 30 s"
  xdotool mousemove --window "$win" 10 10
  # SDL 2 (under sdl12-compat) moves the keyboard focus to its own window; once that window is
  # gone, later key presses would reach no window at all unless each case focuses its own.
  xdotool windowfocus "$win"
  [[ -z "$stack_lib" ]] || grep -q -F "$stack_lib" "/proc/$pid/maps" ||
    fail "swancage did not load $stack_lib"
}

alive_after() {  # alive_after SECONDS: is swancage still running after that long?
  sleep "$1"
  kill -0 "$pid" 2>/dev/null
}

# Waits up to SECONDS for swancage to end and sets $status to its exit status.
wait_exit() {
  local seconds=$1
  for ((i = 0; i < seconds * 10; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "swancage still running ${seconds} s after it should have ended"
  wait "$pid"
  status=$?
}

check_log() {
  local lines
  lines=$(wc -l <"$work/out")
  [[ $lines -eq 15 ]] || fail "expected 15 log lines, got $lines: $(cat "$work/out")"
  local pattern='^(GLSL shader with 0x[0-9a-f]+ and 0x[0-9a-f]+: [0-9]+|GLSL program with 0x[0-9a-f]+ compiles to: [0-9]+)$'
  local bad
  bad=$(grep -v -E "$pattern" "$work/out")
  [[ -z "$bad" ]] || fail "unexpected log lines: $bad"
  # Per program: vertex shader, fragment shader, program.
  local kinds
  kinds=$(cut -c1-12 "$work/out" | tr '\n' ',')
  local expected
  expected=$(printf 'GLSL shader ,GLSL shader ,GLSL program,%.0s' 1 2 3 4 5)
  [[ "$kinds" == "$expected" ]] || fail "log lines out of order: $kinds"
}

case "$case_name" in
  keys)
    start_swancage
    xdotool key a Return space F1 q
    alive_after 1 || fail "swancage ended on a key other than Escape"
    "$xpoke" "$win" close || fail "xpoke could not send the close request"
    alive_after 1 || fail "swancage ended on a window-close request"
    xdotool key Escape
    wait_exit 20
    [[ $status -eq 0 ]] || fail "exit status $status after Escape, expected 0"
    check_log
    [[ ! -s "$work/err" ]] || fail "unexpected standard error: $(cat "$work/err")"
    ;;
  burst)
    start_swancage
    "$xpoke" "$win" burst 10000 || fail "xpoke could not send the burst"
    wait_exit 30
    [[ $status -eq 0 ]] || fail "exit status $status after a burst and Escape, expected 0"
    ;;
  signals)
    for sig in TERM INT; do
      start_swancage
      alive_after 0.5 || fail "swancage ended before SIG$sig"
      kill -s "$sig" "$pid"
      wait_exit 10
      expected=$((128 + $(kill -l "$sig")))
      [[ $status -eq $expected ]] || fail "SIG$sig: exit status $status, expected $expected"
    done
    ;;
  no-display)
    DISPLAY=:97 timeout -s KILL 30 "$swancage" >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 255 ]] || fail "exit status $status without a display, expected 255 (-1)"
    [[ ! -s "$work/out" ]] || fail "standard output should be empty: $(cat "$work/out")"
    [[ $(wc -l <"$work/err") -eq 1 ]] || fail "expected one line on standard error: $(cat "$work/err")"
    grep -q "window" "$work/err" || fail "the error line should name the window: $(cat "$work/err")"
    ;;
  snapshot-errors)
    timeout -s KILL 30 "$snapshot" >/dev/null 2>"$work/err"
    status=$?
    [[ $status -ne 0 ]] || fail "snapshot without a path exited 0"
    grep -q "usage" "$work/err" || fail "no usage line: $(cat "$work/err")"
    timeout -s KILL 60 "$snapshot" "$work/no/such/dir/x.png" >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -ne 0 ]] || fail "snapshot into a missing folder exited 0"
    grep -q "cannot open" "$work/err" || fail "no clear error: $(cat "$work/err")"
    [[ ! -s "$work/out" ]] || fail "the snapshot should fail before building anything"
    timeout -s KILL 120 "$snapshot" /dev/full >/dev/null 2>"$work/err"
    status=$?
    [[ $status -ne 0 ]] || fail "snapshot onto a full disk exited 0"
    grep -q "No space" "$work/err" || fail "no clear error for a full disk: $(cat "$work/err")"
    [[ -c /dev/full ]] || fail "the failed snapshot removed the device it was writing to"
    DISPLAY=:97 timeout -s KILL 30 "$snapshot" "$work/p.png" >/dev/null 2>"$work/err"
    status=$?
    [[ $status -ne 0 ]] || fail "snapshot without a display exited 0"
    [[ ! -e "$work/p.png" ]] || fail "a failed snapshot left $work/p.png behind"
    ;;
  present)
    # What the window shows must be the frame: right after it is drawn, after the window has been
    # covered and uncovered, and a few seconds later. The frame itself is drawn only once.
    stack_snapshot frame.png
    start_swancage MESA_DEBUG=1
    shot() { import -silent -window "$win" "$work/$1.png" 2>/dev/null; }
    compare_to_frame() {
      local keep=${PWD}/Testing/${test_name/:/-}-failure
      if ! "$imgdiff" "$work/frame.png" "$work/$1.png" 0 0 "$work/$1-diff.png"; then
        mkdir -p "$keep" && cp "$work/frame.png" "$work/$1.png" "$work/$1-diff.png" "$keep/"
        fail "$1: the window differs from the frame; see $keep"
      fi
    }
    for ((i = 0; i < 240; i++)); do  # the first frame takes a few seconds on a software renderer
      shot first && "$imgdiff" "$work/frame.png" "$work/first.png" 0 0 >/dev/null && break
      sleep 0.5
    done
    compare_to_frame first
    "$xpoke" "$win" cover || fail "xpoke could not cover the window"
    sleep 0.5
    shot uncovered
    compare_to_frame uncovered
    sleep 3
    shot later
    compare_to_frame later
    xdotool key Escape
    wait_exit 20
    [[ $status -eq 0 ]] || fail "exit status $status after Escape"
    check_no_gl_errors "$work/err"
    ;;
  unrestored)
    # The negative control for the swap-discarding stack: with the kept frame never put back, the
    # window must turn wholly magenta once the frame is drawn, or the emulation tests nothing.
    start_swancage DISCARD_SWAP_NO_RESTORE=1
    magenta=
    for ((end = SECONDS + 90; SECONDS < end; )); do  # the frame first takes a few seconds
      import -silent -window "$win" "$work/shot.png" 2>/dev/null &&
        [[ $(convert "$work/shot.png" -unique-colors -format '%w %[pixel:p{0,0}]' info:) == \
          "1 srgb(255,0,255)" ]] && magenta=yes && break
      sleep 0.5
    done
    [[ -n "$magenta" ]] || fail "the window never turned wholly magenta without its frame put back"
    xdotool key Escape
    wait_exit 20
    ;;
  gl-floor)
    # Below OpenGL 2.0 the loader leaves the shader entry points null; below GLSL 1.20 no shader
    # text compiles. Either is refused at start with one line and status 255. The shader cache
    # must be off, or a cached build hides the compile error behind a link error.
    refused() {  # refused WHAT_THE_DRIVER_OFFERS OVERRIDES...
      local offered=$1
      shift
      env "$@" MESA_SHADER_CACHE_DISABLE=true timeout -s KILL 60 "$swancage" >"$work/out" 2>"$work/err"
      status=$?
      [[ $status -eq 255 ]] || fail "$*: exit status $status, expected 255 (-1); $(cat "$work/err")"
      [[ ! -s "$work/out" ]] || fail "$*: standard output should be empty: $(cat "$work/out")"
      # Mesa may add lines of its own (it cannot name GLSL 1.10 in a version string).
      [[ $(grep -c '^swancage:' "$work/err") -eq 1 ]] || fail "$*: expected one line: $(cat "$work/err")"
      grep -q "needs OpenGL 2.0 with GLSL 1.20" "$work/err" || fail "$*: what is needed? $(cat "$work/err")"
      grep -q -F "$offered" "$work/err" || fail "$*: the line should say $offered: $(cat "$work/err")"
    }
    refused "offers OpenGL 1.5" MESA_GL_VERSION_OVERRIDE=1.5
    refused "offers OpenGL 2.0" MESA_GL_VERSION_OVERRIDE=2.0 MESA_GLSL_VERSION_OVERRIDE=110
    ;;
  baseline)
    # The snapshot tool's picture against the committed one. On failure the picture and a diff
    # (differing pixels in red) are kept in the build tree's Testing folder.
    stack_snapshot picture.png
    keep=${PWD}/Testing/${test_name/:/-}-failure
    if ! "$imgdiff" "$baseline" "$work/picture.png" "$tolerance" "$max_share" "$work/diff.png"; then
      mkdir -p "$keep" && cp "$work/picture.png" "$work/diff.png" "$keep/"
      fail "the picture differs from $baseline; see $keep (regenerate on purpose with the update-baseline target)"
    fi
    ;;
  *)
    fail "unknown case"
    ;;
esac
echo "PASS [$test_name]"
