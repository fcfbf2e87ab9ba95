#!/usr/bin/env bash
# End-to-end checks of the real executables under a real X server, driven by real X clients.
# usage: e2e.sh CASE SWANCAGE SNAPSHOT XPOKE IMGDIFF BASELINE TOLERANCE MAX_SHARE
# Every wait is bounded, and every process this script starts is killed with SIGKILL on exit, so
# a hung program fails its test instead of hanging the suite.
set -uo pipefail
case_name=$1 swancage=$2 snapshot=$3 xpoke=$4 imgdiff=$5
baseline=$6 tolerance=$7 max_share=$8
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL [$case_name]: $*" >&2
  exit 1
}

# Starts swancage with its output in $work, waits for its window, leaves the pointer over it so
# keyboard input goes there, and sets $pid and $win.
start_swancage() {
  "$swancage" >"$work/out" 2>"$work/err" &
  pid=$!
  pids+=("$pid")
  win=$(timeout -s KILL 30 xdotool search --sync --name '^swancage$' | head -n 1)
  [[ -n "$win" ]] || fail "no swancage window appeared within 30 s"
  xdotool mousemove --window "$win" 10 10
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
    timeout -s KILL 120 "$snapshot" "$work/frame.png" >/dev/null || fail "snapshot failed"
    start_swancage
    shot() { import -silent -window "$win" "$work/$1.png" 2>/dev/null; }
    compare_to_frame() {
      local keep=${PWD}/Testing/present-failure
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
    ;;
  baseline-gl21)
    # The same picture from a GL 2.1 context without transform feedback (Mesa offers the extension
    # even under the version override, so it is taken away too): the doily is drawn from its grid.
    export MESA_GL_VERSION_OVERRIDE=2.1
    export MESA_EXTENSION_OVERRIDE="-GL_EXT_transform_feedback -GL_ARB_transform_feedback2 \
-GL_ARB_transform_feedback3 -GL_ARB_transform_feedback_instanced"
    ;&
  baseline)
    # The snapshot tool's picture against the committed one. On failure the picture and a diff
    # (differing pixels in red) are kept in the build tree's Testing folder.
    timeout -s KILL 120 "$snapshot" "$work/picture.png" >/dev/null || fail "snapshot failed"
    keep=${PWD}/Testing/baseline-failure
    if ! "$imgdiff" "$baseline" "$work/picture.png" "$tolerance" "$max_share" "$work/diff.png"; then
      mkdir -p "$keep" && cp "$work/picture.png" "$work/diff.png" "$keep/"
      fail "the picture differs from $baseline; see $keep (regenerate on purpose with the update-baseline target)"
    fi
    ;;
  *)
    fail "unknown case"
    ;;
esac
echo "PASS [$case_name]"
