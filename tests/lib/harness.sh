# What every end-to-end and install script needs: a private folder ($work), the processes it
# starts ($pids, each killed with SIGKILL on exit: SDL 1.2 swallows SIGTERM), how a case fails,
# passes or is skipped, and bounded waits, so that a hung program fails its test instead of
# hanging the suite. Sourced first; the script sets $test_name, and may define on_cleanup, run on
# exit after the kills and before the folder is removed.
set -uo pipefail
work=$(mktemp -d)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done
  ! declare -F on_cleanup >/dev/null || on_cleanup
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL [$test_name]: $*" >&2
  exit 1
}

skip() {  # 77 is CTest's SKIP_RETURN_CODE for the cases that may skip
  echo "SKIP [$test_name]: $*"
  exit 77
}

pass() {
  echo "PASS [$test_name]"
  exit 0
}

# run_for SECONDS COMMAND...: COMMAND, killed after SECONDS, with standard output in $work/out and
# standard error in $work/err; sets $status.
run_for() {
  timeout -s KILL "$@" >"$work/out" 2>"$work/err"
  status=$?
}

# Standard error holds exactly one line, and it matches PATTERN.
one_error_line() {
  [[ $(wc -l <"$work/err") -eq 1 ]] || fail "expected one line on standard error: $(cat "$work/err")"
  grep -q -E -- "$1" "$work/err" || fail "the error line should match '$1': $(cat "$work/err")"
}

# wait_until SECONDS COMMAND...: tries COMMAND twenty times a second until it succeeds, and once
# more at the end; false if it never did.
wait_until() {
  local i tries=$(($1 * 20))
  shift
  for ((i = 0; i < tries; i++)); do
    "$@" && return 0
    sleep 0.05
  done
  "$@"
}

# wait_for_lines FILE N SECONDS: until FILE has N lines; false if it has not by then.
has_lines() { [[ -f $1 && $(wc -l <"$1") -ge $2 ]]; }
wait_for_lines() { wait_until "$3" has_lines "$1" "$2"; }

# wait_for_exit PID SECONDS [WHAT]: waits up to SECONDS for a child of this shell to end and sets
# $status to its exit status; fails if it is still running by then.
ended() { ! kill -0 "$1" 2>/dev/null; }
wait_for_exit() {
  wait_until "$2" ended "$1" || fail "${3:-process $1} still running $2 s after it should have ended"
  wait "$1"
  status=$?
}

# Waits up to 5 s for every window titled swancage to be gone: the next case finds its window by
# that title, so a killed swancage's window must not linger.
no_swancage_window() { ! xdotool search --name '^swancage$' >/dev/null 2>&1; }
wait_for_no_swancage_window() { wait_until 5 no_swancage_window; }

# check_log_lines FILE [ADDRESS]: FILE holds the fifteen log lines of the five programs, in their
# order: per program its vertex shader, its fragment shader, then the program. ADDRESS is how the
# C library prints a pointer (%p): glibc's 0x and hex digits by default.
check_log_lines() {
  local lines a=${2:-0x[0-9a-f]+}
  lines=$(wc -l <"$1")
  [[ $lines -eq 15 ]] || fail "expected 15 log lines, got $lines: $(cat "$1")"
  local pattern="^(GLSL shader with $a and $a: [0-9]+|GLSL program with $a compiles to: [0-9]+)\$"
  local bad
  bad=$(grep -v -E "$pattern" "$1")
  [[ -z "$bad" ]] || fail "unexpected log lines: $bad"
  local kinds
  kinds=$(cut -c1-12 "$1" | tr '\n' ',')
  local expected
  expected=$(printf 'GLSL shader ,GLSL shader ,GLSL program,%.0s' 1 2 3 4 5)
  [[ "$kinds" == "$expected" ]] || fail "log lines out of order: $kinds"
}

# PNG's width and height, from its header.
png_size() {
  od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1 * 16777216 + $2 * 65536 + $3 * 256 + $4,
                                                   $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}

# run_snapshot [NAME=VALUE...] [--] ARGS...: the snapshot tool with those settings and arguments,
# standard output in $work/out and standard error in $work/err; sets $status.
run_snapshot() {
  local settings=()
  while (($#)) && [[ $1 == *=* && $1 != -* ]]; do settings+=("$1"); shift; done
  [[ ${1:-} == -- ]] && shift
  run_for 120 env "${settings[@]}" "$snapshot" "$@"
}

# usage_refused PATTERN ARGS...: the snapshot refuses ARGS as wrong usage: status 2, the reason
# matching PATTERN, then the usage line.
usage_refused() {
  local pattern=$1
  shift
  run_snapshot -- "$@"
  [[ $status -eq 2 ]] || fail "$*: exit status $status, expected 2: $(cat "$work/err")"
  [[ $(wc -l <"$work/err") -eq 2 ]] || fail "$*: expected the reason and the usage line: $(cat "$work/err")"
  head -n 1 "$work/err" | grep -q -E -- "^swancage-snapshot: $pattern$" ||
    fail "$*: the reason should match '$pattern': $(cat "$work/err")"
  [[ $(tail -n 1 "$work/err") == "usage: swancage-snapshot [--size WxH] [--samples N] OUT.png" ]] ||
    fail "$*: no usage line: $(cat "$work/err")"
}
