#!/usr/bin/env bash
# End-to-end checks of where the snapshot's picture goes: the named temporary file used where the
# file system has no unnamed ones, a FIFO whose reader is slow to read, paths that an
# unprivileged user may not write, standard output, OUT's name and the names the picture takes
# in OUT's folder. Arguments: see tests/lib/common.sh.
source "$(dirname "$0")/../lib/common.sh"

# The folder's entries, hidden ones included, one line, sorted.
entries() { ls -A "$1" | sort | tr '\n' ' '; }

# A normal snapshot into $work/normal.png, its log lines (addresses blanked) in $work/normal.log.
normal_snapshot() {
  run_snapshot "$work/normal.png"
  [[ $status -eq 0 && ! -s $work/err ]] || fail "a normal snapshot: status $status: $(cat "$work/err")"
  sed -E 's/0x[0-9a-f]+/ADDRESS/g' "$work/out" >"$work/normal.log"
}

# streamed WHAT FILE: the run that put its standard output in FILE and its standard error in
# $work/err ended with status 0, standard error holds the fifteen log lines of a normal snapshot
# and nothing else, and FILE is exactly a PNG, from its signature to its IEND chunk, of the
# normal snapshot's picture.
streamed() {
  [[ $status -eq 0 ]] || fail "$1: exit status $status, expected 0: $(cat "$work/err")"
  sed -E 's/0x[0-9a-f]+/ADDRESS/g' "$work/err" | cmp -s - "$work/normal.log" ||
    fail "$1: standard error should hold the fifteen log lines: $(head -c 300 "$work/err")"
  [[ $(head -c 8 "$2" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a &&
    $(tail -c 12 "$2" | od -An -tx1 | tr -d ' \n') == 0000000049454e44ae426082 ]] ||
    fail "$1: standard output is not one PNG from signature to IEND: $(head -c 80 "$2")"
  same_picture "$work/normal.png" "$2" 0 0 0 0
}

# failed_streaming WHAT MESSAGE: the run ended with status 1 after drawing, the fifteen log lines
# then one line, MESSAGE, on standard error.
failed_streaming() {
  [[ $status -eq 1 ]] || fail "$1: exit status $status, expected 1: $(cat "$work/err")"
  [[ $(wc -l <"$work/err") -eq 16 && $(grep -c '^GLSL ' "$work/err") -eq 15 ]] ||
    fail "$1: expected the fifteen log lines and one message: $(cat "$work/err")"
  [[ $(tail -n 1 "$work/err") == "$2" ]] || fail "$1: the message should be '$2': $(tail -n 1 "$work/err")"
}

# wrong_out PATTERN ARGS...: refused as wrong usage (usage_refused) before anything is drawn,
# nothing written.
wrong_out() {
  usage_refused "$@"
  nothing_drawn "${*:2}"
  [[ $(entries .) == "" ]] || fail "${*:2}: wrote $(entries .)"
}

case "$case_name" in
  tmpfile-fallback)
    # With O_TMPFILE refused, the picture goes through a hidden .OUT.XXXXXX next to OUT: a normal
    # run leaves only OUT, and a run ended by SIGTERM, SIGINT or SIGHUP while it draws leaves OUT
    # as it was and removes the hidden file.
    export NO_TMPFILE_LOG=$work/shim.log
    dir=$work/pictures
    mkdir "$dir"
    run_snapshot LD_PRELOAD="$no_tmpfile" -- "$dir/new.png"
    [[ $status -eq 0 ]] || fail "snapshot through a named temporary file: status $status: $(cat "$work/err")"
    [[ -s $NO_TMPFILE_LOG ]] || fail "the shim refused no unnamed temporary file: the path was not run"
    [[ $(entries "$dir") == "new.png " ]] || fail "left behind: $(entries "$dir")"
    same_picture "$baseline" "$dir/new.png" "${baseline_limits[@]}"
    for sig in TERM INT HUP; do
      printf 'keep\n' >"$dir/kept.png"
      # Emptied here, not by the background job's redirection, which may come after the wait
      # below has read the previous run's fifteen lines.
      : >"$work/log"
      # A background job of a script starts with SIGINT ignored, which the program keeps; these
      # three start at their defaults, as from a terminal.
      env LD_PRELOAD="$no_tmpfile" env --default-signal=INT,TERM,HUP "$snapshot" "$dir/kept.png" \
        >>"$work/log" 2>"$work/err" &
      pid=$!
      pids+=("$pid")
      wait_for_lines "$work/log" 15 60 || fail "SIG$sig: no fifteen log lines within 60 s"
      hidden=$(ls -A "$dir" | grep -c '^\.kept\.png\.')
      [[ $hidden -eq 1 ]] || fail "SIG$sig: while drawing, expected one hidden .kept.png.XXXXXX: $(entries "$dir")"
      kill -s "$sig" "$pid" || fail "the snapshot ended before SIG$sig"
      wait_for_exit "$pid" 10
      expected=$((128 + $(kill -l "$sig")))
      [[ $status -eq $expected ]] || fail "SIG$sig: exit status $status, expected $expected"
      [[ $(cat "$dir/kept.png") == keep ]] || fail "SIG$sig changed OUT"
      [[ $(entries "$dir") == "kept.png new.png " ]] || fail "SIG$sig left behind: $(entries "$dir")"
    done
    ;;
  fifo-late-reader)
    # A reader that opens the FIFO at once but reads only seconds after the drawing is done gets
    # the whole picture: the writes wait for it.
    mkfifo "$work/fifo"
    exec 3<>"$work/fifo"  # both ends at once, so the next open does not wait for a writer
    exec 4<"$work/fifo"   # the reader's end
    exec 3<&-
    timeout -s KILL 120 "$snapshot" "$work/fifo" >"$work/log" 2>"$work/err" 4<&- &
    pid=$!
    pids+=("$pid")
    # Starts reading 3 s after the drawing began (the fifteenth log line), long after the pipe's
    # 64 KiB are full.
    { wait_for_lines "$work/log" 15 60; sleep 3; exec timeout -s KILL 120 cat; } <&4 >"$work/read.png" &
    reader=$!
    pids+=("$reader")
    exec 4<&-
    wait_for_exit "$pid" 130
    [[ $status -eq 0 ]] || fail "snapshot into a FIFO read late: exit status $status: $(cat "$work/err")"
    wait_for_exit "$reader" 130
    [[ $(png_size "$work/read.png") == 1280x720 ]] ||
      fail "the reader got $(stat -c %s "$work/read.png") bytes, not a 1280x720 PNG"
    same_picture "$baseline" "$work/read.png" "${baseline_limits[@]}"
    ;;
  unprivileged)
    # As an unprivileged user, a path that user may not write is refused before any drawing, with
    # status 1, and whatever was there stays, with its owner and permissions.
    [[ $(id -u) -eq 0 ]] || skip "runs as root only: it switches to the user nobody"
    command -v setpriv >/dev/null || skip "no setpriv to switch to the user nobody"
    as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups --
      env XAUTHORITY="$work/xauthority" HOME="$work/home")
    [[ $("${as_nobody[@]}" id -u 2>/dev/null) == "$(id -u nobody)" ]] || skip "cannot switch to the user nobody"
    # nobody gets the display through a copy of its cookie, and a copy of the program it can run.
    chmod 755 "$work"
    if [[ -n ${XAUTHORITY:-} && -r $XAUTHORITY ]]; then
      cp "$XAUTHORITY" "$work/xauthority" && chmod 644 "$work/xauthority"
    fi
    cp "$snapshot" "$work/swancage-snapshot" && chmod 755 "$work/swancage-snapshot"
    # Control: into a folder of its own nobody draws and writes the picture.
    mkdir -m 755 "$work/own" && chown nobody:nogroup "$work/own"
    run_for 120 "${as_nobody[@]}" "$work/swancage-snapshot" "$work/own/p.png"
    [[ $status -eq 0 && $(png_size "$work/own/p.png") == 1280x720 ]] ||
      fail "nobody could not write a snapshot into its own folder: status $status: $(cat "$work/err")"
    # FOLDER_MODE OUT_MODE (- for no OUT) WHAT: root owns both; nobody runs the snapshot into them.
    while read -r folder_mode out_mode what; do
      dir=$work/d$folder_mode-$out_mode
      mkdir -m "$folder_mode" "$dir"
      chmod "$folder_mode" "$dir"  # the sticky bit too, which mkdir -m may drop
      [[ $out_mode == - ]] || { printf 'keep\n' >"$dir/p.png"; chmod "$out_mode" "$dir/p.png"; }
      run_for 120 "${as_nobody[@]}" "$work/swancage-snapshot" "$dir/p.png"
      [[ $status -eq 1 ]] || fail "$what: exit status $status, expected 1: $(cat "$work/err")"
      one_error_line "^swancage-snapshot: cannot open $dir/p.png for writing: Permission denied$"
      nothing_drawn "$what"
      if [[ $out_mode == - ]]; then
        [[ -z $(ls -A "$dir") ]] || fail "$what: left $(entries "$dir")"
      else
        [[ $(entries "$dir") == "p.png " && $(cat "$dir/p.png") == keep ]] ||
          fail "$what: OUT changed: $(entries "$dir")"
        [[ $(stat -c '%U %a' "$dir/p.png") == "root $out_mode" ]] ||
          fail "$what: OUT is now $(stat -c '%U %a' "$dir/p.png")"
      fi
    done <<'TABLE'
1777 444 a read-only OUT of root's in a world-writable folder with the sticky bit
777 444 a read-only OUT of root's in a world-writable folder
755 - a new OUT in a folder only root may write
755 666 an OUT anyone may write in a folder only root may write
TABLE
    ;;
  stdout)
    # OUT - or /dev/stdout with standard output a pipe, and standard output redirected to a file
    # named by -, by /dev/stdout or by the file's own path: the PNG alone goes there (into the
    # file, not put in its place), and the log to standard error. One run has no terminal at all
    # (a session of its own, standard input closed).
    normal_snapshot
    for out in - /dev/stdout; do
      timeout -s KILL 120 "$snapshot" "$out" 2>"$work/err" | cat >"$work/piped.png"
      status=${PIPESTATUS[0]}
      streamed "$out through a pipe" "$work/piped.png"
    done
    setsid -w timeout -s KILL 120 "$snapshot" - <&- >"$work/out" 2>"$work/err"
    status=$?
    streamed "- without a terminal" "$work/out"
    for out in /dev/stdout "$work/out"; do
      run_snapshot "$out"
      streamed "$out as standard output" "$work/out"
    done
    ;;
  stdout-failures)
    # OUT - with standard output closed has nowhere to go: status 1, before anything is drawn.
    # Standard output that cannot take the PNG, a full disk or a pipe nobody reads any more: status
    # 1 and one message after the log, not a silent death by SIGPIPE.
    timeout -s KILL 60 "$snapshot" - >&- 2>"$work/err"
    status=$?
    [[ $status -eq 1 ]] || fail "- with standard output closed: exit status $status, expected 1"
    one_error_line "^swancage-snapshot: standard output is closed: name a file for the picture instead of -$"
    timeout -s KILL 120 "$snapshot" - >/dev/full 2>"$work/err"
    status=$?
    failed_streaming "- onto a full disk" "swancage-snapshot: standard output: cannot write the image: No space left on device"
    timeout -s KILL 120 "$snapshot" - 2>"$work/err" | true
    status=${PIPESTATUS[0]}
    failed_streaming "- into a closed pipe" "swancage-snapshot: standard output: cannot write the image: Broken pipe"
    ;;
  out-names)
    # OUT empty or missing is wrong usage; a name that begins with a dash is OUT after --.
    mkdir "$work/here" && cd "$work/here" || fail "no folder to work in"
    empty="OUT.png is empty: name a file, or - for standard output"
    wrong_out "$empty" ""
    wrong_out "no OUT.png given" --size 64x36 --
    wrong_out "unknown option '-x.png'" -x.png
    run_snapshot -- -- -x.png
    [[ $status -eq 0 ]] || fail "-- -x.png: exit status $status, expected 0: $(cat "$work/err")"
    [[ $(entries .) == "-x.png " ]] || fail "-- -x.png wrote $(entries .)"
    cd - >/dev/null || fail "cannot go back"
    same_picture "$baseline" "$work/here/-x.png" "${baseline_limits[@]}"
    ;;
  temp-names)
    # The names the picture takes in OUT's folder: a new OUT is linked in place, so no other name
    # appears; an existing one is replaced by a rename from .OUT.PID.0, linked just before, or
    # .OUT.PID.1 where that name is taken (left by a killed run whose PID has come round again).
    command -v strace >/dev/null || skip "no strace to watch the file names"
    strace -qq -o /dev/null true 2>/dev/null || skip "strace cannot trace here"
    dir=$work/pictures
    mkdir "$dir"
    names() {  # names OUT [STRACE_OPTION...]: the links and renames made there, in $work/names
      run_for 120 strace -f -qq --seccomp-bpf -o "$work/trace" "${@:2}" \
        -e trace=link,linkat,rename,renameat,renameat2 "$snapshot" "$1"
      [[ $status -eq 0 ]] || fail "snapshot into $1 under strace: status $status: $(cat "$work/err")"
      grep -F "\"$dir/" "$work/trace" | grep ' = 0$' | sed -E -e 's#/proc/self/fd/[0-9]+#/proc/self/fd/N#' \
        -e 's/^([0-9]+) +(.*)\.\1\.([0-9]+")/\1 \2.PID.\3/' \
        -e 's/^[0-9]+ +(link|rename)[a-z0-9]*\(.*"([^"]*)", .*"([^"]*)".*/\1 \2 \3/' >"$work/names"
    }
    names "$dir/new.png"
    expected="link /proc/self/fd/N $dir/new.png"
    [[ $(cat "$work/names") == "$expected" ]] || fail "a new OUT: expected '$expected', got $(cat "$work/names")"
    names "$dir/new.png"
    expected="link /proc/self/fd/N $dir/.new.png.PID.0
rename $dir/.new.png.PID.0 $dir/new.png"
    [[ $(cat "$work/names") == "$expected" ]] || fail "an existing OUT: expected '$expected', got $(cat "$work/names")"
    names "$dir/new.png" -e inject=linkat:error=EEXIST:when=2  # the first hidden name is taken
    [[ $(cat "$work/names") == "${expected//PID.0/PID.1}" ]] || fail "a hidden name taken: got $(cat "$work/names")"
    [[ $(entries "$dir") == "new.png " ]] || fail "left behind: $(entries "$dir")"
    same_picture "$baseline" "$dir/new.png" "${baseline_limits[@]}"
    ;;
  progress)
    # On a terminal, one line on standard error follows the passes with the share of the
    # picture's vertices done, then the reading back and the writing, and is erased at the end;
    # not on a pipe or a file (every other case), where standard error holds what it always held.
    erase=$'\r\e[K'
    timeout -s KILL 120 script -qfec "$(printf '%q ' "$snapshot" "$work/p.png") >/dev/null" \
      "$work/tty" >/dev/null
    grep -q 'COMMAND_EXIT_CODE="0"' "$work/tty" || fail "on a terminal: $(cat -v "$work/tty")"
    screen=$(sed '1d;$d' "$work/tty")  # the terminal's bytes, without script's own lines
    for shown in "drawing the table, 0%" "drawing the doily, " "drawing the cage, 100% of the picture's vertices done" \
      "reading the picture back" "writing the PNG"; do
      [[ $screen == *"${erase}swancage-snapshot: $shown"* ]] || fail "no '$shown' on the terminal: $(cat -v "$work/tty")"
    done
    [[ $screen == *"writing the PNG$erase" ]] || fail "the line is not erased at the end: $(cat -v "$work/tty" | tail -c 200)"
    same_picture "$baseline" "$work/p.png" "${baseline_limits[@]}"
    run_snapshot -- "$work/q.png"
    [[ $status -eq 0 ]] || fail "not on a terminal: status $status"
    ! grep -q -F "$erase" "$work/err" || fail "progress written where standard error is no terminal"
    ;;
  *)
    fail "unknown case"
    ;;
esac
pass
