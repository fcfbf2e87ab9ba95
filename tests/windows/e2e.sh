#!/usr/bin/env bash
# The Windows programs end to end under Wine, on the X server the test command gives (Wine's
# windows are X windows there): what a Windows user sees of them. Where Windows differs from
# Linux the expectation says so: no signals (a crash is an exception, its status the exception's
# code), no X display to be without (the snapshot always draws with no window shown), and no
# ulimit to name, and MinGW's C library prints a pointer (%p) as sixteen hex digits without 0x.
# usage: e2e.sh CASE SWANCAGE.exe SNAPSHOT.exe BASELINE.png "LIMITS"
source "$(dirname "$0")/../lib/harness.sh"
test_name=windows.$1 case_name=$1 swancage=$2 snapshot=$3 baseline=$4
read -r -a limits <<<"$5"
wine=$(dirname "$0")/../lib/wine.sh
imgdiff=${IMGDIFF:-$(dirname "$0")/../../build/swancage-imgdiff}
[[ -x $imgdiff ]] || fail "no swancage-imgdiff at $imgdiff: build the Linux tree first"
address='[0-9A-F]{16}|[0-9a-f]{16}'
address="($address)"
on_cleanup() { "$wine" --end-all 2>/dev/null || true; }  # a killed wine leaves its program

# Standard output and error are text, whose lines end in CR LF on Windows: each of FILE's lines
# must, and the CRs go so that the checks read lines as on Linux.
text_lines() {
  local bare
  bare=$(grep -c -v $'\r$' "$1")
  [[ $bare -eq 0 ]] || fail "$1 has $bare lines without CR LF: $(head -n 3 "$1")"
  tr -d '\r' <"$1" >"$1.lf" && mv "$1.lf" "$1"
}

# A Windows program under Wine, its streams in $work/out and $work/err (lines ending as on Linux
# once checked), bounded; sets $status.
run_exe() {
  run_for "$1" "$wine" "${@:2}"
  text_lines "$work/out"
  text_lines "$work/err"
}

check_picture() {  # check_picture PNG: the Linux baseline within the Windows limits
  "$imgdiff" "$baseline" "$1" "${limits[@]}" "$work/diff.png" >"$work/imgdiff" 2>&1 ||
    fail "$1 differs from the Linux picture: $(cat "$work/imgdiff")"
}

case "$case_name" in
  keys)
    # Keys other than Escape do nothing; Escape ends the program with status 0, after the
    # fifteen log lines; nothing on standard error.
    "$wine" "$swancage" >"$work/out" 2>"$work/err" &
    pid=$!
    pids+=("$pid")
    window() { xdotool search --name '^swancage$' 2>/dev/null | head -n 1; }
    wait_until 60 window >/dev/null || fail "no window: $(cat "$work/err")"
    wait_for_lines "$work/out" 15 60 || fail "the log never came: $(cat "$work/out" "$work/err")"
    win=$(window)
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    xdotool key --window "$win" a Return space F1 q
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "swancage ended on a key other than Escape"
    xdotool key --window "$win" Escape
    wait_for_exit "$pid" 30 swancage
    [[ $status -eq 0 ]] || fail "exit status $status after Escape, expected 0"
    text_lines "$work/out"
    text_lines "$work/err"
    check_log_lines "$work/out" "$address"
    [[ ! -s "$work/err" ]] || fail "unexpected standard error: $(cat "$work/err")"
    ;;
  gl-floor)
    # Below OpenGL 2.0: one line naming what is needed and what the driver offers, status 255
    # (the window program's -1), nothing drawn.
    MESA_GL_VERSION_OVERRIDE=1.4 run_exe 60 "$swancage"
    [[ $status -eq 255 ]] || fail "status $status on OpenGL 1.4, expected 255: $(cat "$work/err")"
    one_error_line '^swancage: needs OpenGL 2\.0 with GLSL 1\.20; the driver \(.*\) offers OpenGL 1\.4'
    [[ ! -s "$work/out" ]] || fail "drew on OpenGL 1.4: $(head -n 3 "$work/out")"
    ;;
  snapshot)
    # The picture with no window shown, the log on standard output, the Linux picture; an
    # existing file is replaced whole, and no other name is left beside it.
    # A name outside the ANSI code page reaches the program whole.
    mkdir "$work/pictures" && echo "an older picture" >"$work/pictures/out.png"
    run_exe 120 "$snapshot" "$work/pictures/été-ü.png"
    [[ $status -eq 0 && -f "$work/pictures/été-ü.png" ]] ||
      fail "été-ü.png: status $status: $(cat "$work/err")"
    rm "$work/pictures/été-ü.png"
    run_exe 120 "$snapshot" "$work/pictures/out.png"
    [[ $status -eq 0 ]] || fail "status $status: $(cat "$work/err")"
    check_log_lines "$work/out" "$address"
    [[ ! -s "$work/err" ]] || fail "unexpected standard error: $(cat "$work/err")"
    [[ $(png_size "$work/pictures/out.png") == 1280x720 ]] || fail "not a 1280x720 PNG"
    check_picture "$work/pictures/out.png"
    [[ $(ls -A "$work/pictures") == out.png ]] || fail "left beside it: $(ls -A "$work/pictures")"
    ;;
  snapshot-statuses)
    # Usage errors 2, failures 1, each with one line; a failed run leaves OUT as it was.
    run_exe 60 "$snapshot"
    [[ $status -eq 2 ]] || fail "status $status without OUT, expected 2"
    grep -q '^swancage-snapshot: no OUT.png given$' "$work/err" || fail "no-OUT line: $(cat "$work/err")"
    run_exe 60 "$snapshot" --size 0x5 "$work/x.png"
    [[ $status -eq 2 ]] || fail "status $status on --size 0x5, expected 2"
    run_exe 60 "$snapshot" "$work/no/such/dir/x.png"
    [[ $status -eq 1 ]] || fail "status $status into a missing folder, expected 1"
    one_error_line '^swancage-snapshot: .*x\.png'
    echo "kept" >"$work/kept.png"
    run_exe 60 "$snapshot" --size 8192x8192 --samples 99999 "$work/kept.png"
    [[ $status -ne 0 ]] || fail "99999 samples per pixel were drawn"
    [[ $(cat "$work/kept.png") == kept ]] || fail "a failed run changed its OUT"
    ;;
  snapshot-sizes)
    # Other sizes and samples: the PNG has the size asked for.
    run_exe 180 "$snapshot" --size 1920x1080 --samples 4 "$work/big.png"
    [[ $status -eq 0 ]] || fail "status $status: $(cat "$work/err")"
    [[ $(png_size "$work/big.png") == 1920x1080 ]] || fail "not 1920x1080: $(png_size "$work/big.png")"
    run_exe 120 "$snapshot" --size 640x360 "$work/small.png"
    [[ $status -eq 0 && $(png_size "$work/small.png") == 640x360 ]] ||
      fail "640x360: status $status, $(png_size "$work/small.png")"
    ;;
  snapshot-stdout)
    # "-" is standard output, in binary: the same bytes as the file, not a CR added; the log on
    # standard error.
    run_exe 120 "$snapshot" "$work/file.png"
    [[ $status -eq 0 ]] || fail "status $status: $(cat "$work/err")"
    timeout -s KILL 120 "$wine" "$snapshot" - >"$work/piped.png" 2>"$work/err"
    status=$?
    [[ $status -eq 0 ]] || fail "status $status writing to standard output: $(cat "$work/err")"
    text_lines "$work/err"
    cmp -s "$work/file.png" "$work/piped.png" || fail "standard output's PNG differs from the file's"
    check_log_lines "$work/err" "$address"
    ;;
  *) fail "unknown case $case_name" ;;
esac
pass
