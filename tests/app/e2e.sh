#!/usr/bin/env bash
# End-to-end checks of the real executables under a real X server, driven by real X clients.
# usage: e2e.sh CASE[:STACK] SWANCAGE SNAPSHOT XPOKE IMGDIFF BASELINE TOLERANCE MAX_SHARE STRONG
#               MAX_STRONG_SHARE DISCARD_SHIM SDL12_COMPAT_DIR PLAIN_WINDOW
# Statuses and streams are checked exactly, as the README documents them; tests/lib/harness.sh
# bounds every wait and kills every process started here.
source "$(dirname "$0")/../lib/harness.sh"
test_name=$1 swancage=$2 snapshot=$3 xpoke=$4 imgdiff=$5
baseline=$6 tolerance=$7 max_share=$8 strong=$9 max_strong_share=${10}
shim=${11:-} compat_dir=${12:-} plain_window=${13:-}
limits=("$tolerance" "$max_share" "$strong" "$max_strong_share")
case_name=${test_name%%:*} stack=default
[[ $test_name == *:* ]] && stack=${test_name#*:}
on_cleanup() { wait_for_no_swancage_window; }

# An X server is ready once it has written its display number, a whole line, and answers a client.
x_ready() {
  [[ $(tail -c 1 "$work/display" 2>/dev/null) == "" && -s "$work/display" ]] &&
    xdpyinfo -display ":$(head -n 1 "$work/display")" >/dev/null 2>&1
}
# An X server of the case's own, for cases that need another screen or a desktop of their own;
# DISPLAY points there from then on. Usage: start_private_x SCREEN (WIDTHxHEIGHTxDEPTH) [OPTION...]
start_private_x() {
  local screen=$1
  shift
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset "$@" 3>"$work/display" 2>/dev/null &
  pids+=("$!")
  wait_until 10 x_ready || fail "could not start an X server of its own"
  export DISPLAY=:$(head -n 1 "$work/display")
}

# The stack a case runs on: settings for every swancage and snapshot it starts ($stack_env), a
# library that must be loaded, or the case would quietly test the default stack ($stack_lib),
# and the compositing process whose load the case may measure ($compositor).
stack_env=() stack_lib= compositor= wayland=
compat_lib() { "$(dirname "$0")/../../scripts/fetch-sdl12-compat.sh" "$compat_dir" || fail "no sdl12-compat"; }
case "$stack" in
  default) ;;
  discard)  # every swap discards the back buffer; the program has to find that out itself
    stack_env=(LD_PRELOAD="$shim") stack_lib=$shim ;;
  discard-age)  # the same, and GLX_EXT_buffer_age says so
    stack_env=(LD_PRELOAD="$shim" DISCARD_SWAP_ADVERTISE_AGE=1) stack_lib=$shim ;;
  zink)  # Mesa's GL over Vulkan, here on lavapipe: another compiler and swapchain presentation
    stack_env=(LIBGL_ALWAYS_SOFTWARE=1 MESA_LOADER_DRIVER_OVERRIDE=zink) stack_lib=libvulkan_lvp.so ;;
  sdl12-compat)  # SDL 1.2's interface over SDL 2, whose default framebuffer is an object
    lib=$(compat_lib)
    stack_env=(LD_LIBRARY_PATH="$lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}")
    stack_lib=$lib/libSDL-1.2.so ;;
  picom)  # a desktop of its own: openbox and the picom compositing manager (GL backend)
    start_private_x 1600x1200x24  # room for the window and openbox's frame
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=("$!")
    # Ready once it says which EWMH requests it takes: xdotool refuses to minimise or activate a
    # window until _NET_SUPPORTED lists _NET_ACTIVE_WINDOW, which openbox sets some time after its
    # _NET_SUPPORTING_WM_CHECK.
    wm_ready() { xprop -root _NET_SUPPORTED 2>/dev/null | grep -q '_NET_ACTIVE_WINDOW'; }
    wait_until 10 wm_ready || fail "openbox did not start: $(cat "$work/openbox.log")"
    picom --backend glx >"$work/picom.log" 2>&1 &
    compositor=$!
    pids+=("$compositor")
    sleep 1
    kill -0 "$compositor" 2>/dev/null || fail "picom did not start: $(cat "$work/picom.log")" ;;
  wayland)  # native Wayland: sdl12-compat over SDL 2 on weston, which runs in a window of this
    # X server (pixman renderer, kiosk shell: the window fills weston's 1280x720 output)
    lib=$(compat_lib)
    runtime=$work/runtime
    mkdir -m 700 "$runtime"
    XDG_RUNTIME_DIR=$runtime weston --backend=x11-backend.so --use-pixman --shell=kiosk-shell.so \
      --width=1280 --height=720 --socket=swancage-test --idle-time=0 --debug \
      >"$work/weston.log" 2>&1 &
    compositor=$!
    pids+=("$compositor")
    wait_until 10 test -S "$runtime/swancage-test" ||
      fail "weston did not start: $(cat "$work/weston.log")"
    wayland=$(xwininfo -root -tree | awk '/"Weston Compositor/ { print $1; exit }')
    [[ -n "$wayland" ]] || fail "no weston window on the X server"
    stack_env=(LD_LIBRARY_PATH="$lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" SDL_VIDEODRIVER=wayland
      XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=swancage-test)
    stack_lib=$lib/libSDL-1.2.so ;;
  *) fail "unknown stack $stack" ;;
esac
on_stack() { env "${stack_env[@]}" "$@"; }

# Settings for env: no display of any kind (no X server, no Wayland compositor), and, in
# no_display_egl, no EGL driver either: libglvnd then finds no vendor library.
no_display=(-u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work/no-runtime")
no_display_egl=("${no_display[@]}" __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent/vendor.json)

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
# The window of process PID (its _NET_WM_PID), waited for up to 30 s: a window of an earlier
# case's killed process may still be on the screen for a moment, under the same title.
find_window() {
  timeout -s KILL 30 xdotool search --sync --all --pid "$1" --name '^swancage$' | head -n 1
}

start_swancage() {
  env "${stack_env[@]}" "$@" "$swancage" >"$work/out" 2>"$work/err" &  # env execs: $! is swancage
  pid=$!
  pids+=("$pid")
  if [[ -n "$wayland" ]]; then
    # No X window of its own: keys go to weston's window, which hands them to its focused
    # client, and the pointer stays off the output so that no cursor is in the screenshots.
    up_or_ended() { has_lines "$work/out" 15 || ended "$pid"; }
    wait_until 30 up_or_ended
    has_lines "$work/out" 15 || fail "swancage did not start on Wayland: $(cat "$work/err")"
    win=$wayland
    xdotool mousemove 1279 1023
    xdotool windowfocus "$win"
    grep -q -F "$stack_lib" "/proc/$pid/maps" || fail "swancage did not load $stack_lib"
    return
  fi
  win=$(find_window "$pid")
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
wait_exit() { wait_for_exit "$pid" "$1" swancage; }

exact=(0 0 0 0)  # comparison limits for pictures that must be identical
# Weston's screenshots hold its pointer (128 pixels), wherever the X pointer is: allowed, no more.
[[ -n "$wayland" ]] && exact=(0 0.0002 0 0.0002)
shot() {  # shot NAME: the window as the screen shows it, into $work/NAME.png
  if [[ -n "$wayland" ]]; then
    rm -rf "$work/shots" && mkdir "$work/shots" &&
      (cd "$work/shots" && env "${stack_env[@]}" timeout -s KILL 20 weston-screenshooter) &&
      mv "$work"/shots/wayland-screenshot-*.png "$work/$1.png" 2>/dev/null
    return
  fi
  import -silent -window "$win" "$work/$1.png" 2>/dev/null
}
wait_for_picture() {  # until the window shows the picture, its first frame drawn
  for ((i = 0; i < 240; i++)); do
    sleep 0.5
    shot now && "$imgdiff" "$baseline" "$work/now.png" "${limits[@]}" >/dev/null && return
  done
  fail "the picture never reached the window"
}
same() { "$imgdiff" "$work/$1.png" "$work/$2.png" "${exact[@]}" >/dev/null; }  # same NAME NAME

# Covers the window and uncovers it: on Wayland another client on top for a second, then gone;
# on X, xpoke's window over it.
cover_and_uncover() {
  if [[ -n "$wayland" ]]; then
    env "${stack_env[@]}" weston-simple-shm >/dev/null 2>&1 &
    local cover=$!
    pids+=("$cover")
    sleep 1
    kill -KILL "$cover"
  else
    "$xpoke" "$win" cover || fail "xpoke could not cover the window"
  fi
}

cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }  # user + system, all threads

check_log() { check_log_lines "$work/out"; }

case "$case_name" in
  keys)
    start_swancage
    xdotool key a Return space F1 q
    alive_after 1 || fail "swancage ended on a key other than Escape"
    if [[ -z "$wayland" ]]; then  # a window manager's close request is an X message
      "$xpoke" "$win" close || fail "xpoke could not send the close request"
      alive_after 1 || fail "swancage ended on a window-close request"
    fi
    xdotool key Escape
    wait_exit 20
    [[ $status -eq 0 ]] || fail "exit status $status after Escape, expected 0"
    check_log
    # On Wayland, SDL 2's decoration library says that it found no plugins; nothing else may.
    errors=$(grep -v -x -e "Couldn't open plugin directory: No such file or directory" \
      -e "No plugins found, falling back on no decorations" "$work/err")
    [[ -z "$errors" ]] || fail "unexpected standard error: $errors"
    ;;
  escape-held)
    # Escape already held down when the window gets the keyboard is not a press: only a fresh one
    # ends the program (SDL 2 reports keys found down at focus as presses). The loop is idle by
    # then, so it reads each event as it comes. First held as the program starts, with the pointer
    # where its window opens, then held as the window gets the keyboard back.
    xdotool mousemove 640 360 keydown Escape
    start_swancage
    wait_for_picture
    xdotool keydown Escape  # the held key's autorepeat
    alive_after 1 || fail "swancage ended on an Escape held down as it started"
    # The keyboard on the root window, the pointer off the window (with the focus on the root,
    # keys go to the window under the pointer).
    root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
    xdotool mousemove 640 1000 windowfocus "$root" keydown Escape
    sleep 0.3
    xdotool windowfocus "$win"
    sleep 0.3
    # The held key's autorepeat reaches the window now: a press for a key that is already down.
    xdotool keydown Escape
    alive_after 1 || fail "swancage ended on an Escape held down before it had the keyboard"
    xdotool keyup Escape
    alive_after 0.5 || fail "swancage ended when the held Escape was released"
    xdotool key Escape
    wait_exit 20
    [[ $status -eq 0 ]] || fail "exit status $status after a fresh Escape, expected 0"
    ;;
  burst)
    start_swancage
    "$xpoke" "$win" burst 10000 || fail "xpoke could not send the burst"
    wait_exit 30
    [[ $status -eq 0 ]] || fail "exit status $status after a burst and Escape, expected 0"
    ;;
  signals)
    # A background job of this script inherits an ignored SIGINT; start with the default.
    for sig in TERM INT; do
      start_swancage env --default-signal=INT
      alive_after 0.5 || fail "swancage ended before SIG$sig"
      kill -s "$sig" "$pid"
      wait_exit 10
      expected=$((128 + $(kill -l "$sig")))
      [[ $status -eq $expected ]] || fail "SIG$sig: exit status $status, expected $expected"
    done
    ;;
  no-display)
    DISPLAY=:97 run_for 30 "$swancage"
    [[ $status -eq 255 ]] || fail "exit status $status without a display, expected 255 (-1)"
    [[ ! -s "$work/out" ]] || fail "standard output should be empty: $(cat "$work/out")"
    one_error_line "window"
    ;;
  snapshot-errors)  # (no OUT at all: output:out-names)
    run_for 60 "$snapshot" "$work/no/such/dir/x.png"
    [[ $status -eq 1 ]] || fail "snapshot into a missing folder: exit status $status, expected 1"
    one_error_line "cannot open .*/no/such/dir/x.png for writing: No such file"
    [[ ! -s "$work/out" ]] || fail "the snapshot should fail before building anything"
    timeout -s KILL 120 "$snapshot" /dev/full >/dev/null 2>"$work/err"
    status=$?
    [[ $status -eq 1 ]] || fail "snapshot onto a full disk: exit status $status, expected 1"
    one_error_line "No space"
    [[ -c /dev/full ]] || fail "the failed snapshot removed the device it was writing to"
    run_for 30 env "${no_display_egl[@]}" "$snapshot" "$work/p.png"
    [[ $status -eq 1 ]] || fail "snapshot without a display or EGL: exit status $status, expected 1"
    [[ ! -s "$work/out" ]] || fail "standard output should be empty: $(cat "$work/out")"
    one_error_line "^swancage-snapshot: no display .*no EGL display"
    [[ ! -e "$work/p.png" ]] || fail "a failed snapshot left $work/p.png behind"
    ;;
  present)
    # What the window shows must be the frame: right after it is drawn, after the window has been
    # covered and uncovered, and a few seconds later. The frame itself is drawn only once.
    stack_snapshot frame.png
    start_swancage MESA_DEBUG=1
    compare_to_frame() {
      local keep=${PWD}/Testing/${test_name/:/-}-failure
      if ! "$imgdiff" "$work/frame.png" "$work/$1.png" "${exact[@]}" "$work/$1-diff.png"; then
        mkdir -p "$keep" && cp "$work/frame.png" "$work/$1.png" "$work/$1-diff.png" "$keep/"
        fail "$1: the window differs from the frame; see $keep"
      fi
    }
    # The first frame takes a few seconds on a software renderer. Until the first swap the window
    # keeps the look it had when it appeared; the first swap brings the whole frame and nothing
    # changes after it, while the program goes idle. So the comparison is decided, right or
    # wrong, once the program is idle and the window looks different from its first look and
    # holds still for one more look.
    for ((i = 0; i < 40; i++)); do shot blank && break; sleep 0.25; done
    cp "$work/blank.png" "$work/previous.png" || fail "could not capture the window"
    idle_ticks=$(($(getconf CLK_TCK) / 10))  # a fifth of a core over the half second
    for ((i = 0; i < 240; i++)); do
      ticks=$(cpu_ticks)
      sleep 0.5
      shot first || continue
      same frame first && break
      (($(cpu_ticks) - ticks < idle_ticks)) && ! same blank first && same previous first && break
      cp "$work/first.png" "$work/previous.png"
    done
    compare_to_frame first
    cover_and_uncover
    sleep 0.5
    shot uncovered
    compare_to_frame uncovered
    # Minimised and restored: through the window manager where there is one; without one, that
    # is the window unmapped and mapped again. Weston's kiosk shell has no minimising.
    if [[ -n "$compositor" && -z "$wayland" ]]; then
      xdotool windowminimize --sync "$win" && sleep 0.5 && xdotool windowactivate --sync "$win" ||
        fail "could not minimise and restore the window"
    elif [[ -z "$wayland" ]]; then
      xdotool windowunmap --sync "$win" && sleep 0.5 && xdotool windowmap --sync "$win" ||
        fail "could not unmap and map the window"
    fi
    sleep 0.5
    shot restored
    compare_to_frame restored
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
    # window must turn wholly magenta once the frame is drawn and the window uncovered (the loop
    # swaps again only then), or the emulation tests nothing.
    start_swancage DISCARD_SWAP_NO_RESTORE=1
    magenta=
    for ((end = SECONDS + 90; SECONDS < end; )); do  # the frame first takes a few seconds
      "$xpoke" "$win" cover || fail "xpoke could not cover the window"
      sleep 0.2
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
      run_for 60 env "$@" MESA_SHADER_CACHE_DISABLE=true "$swancage"
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
    stack_snapshot picture.png
    keep=${PWD}/Testing/${test_name/:/-}-failure
    if ! "$imgdiff" "$baseline" "$work/picture.png" "${limits[@]}" "$work/diff.png"; then
      mkdir -p "$keep" && cp "$work/picture.png" "$work/diff.png" "$keep/"
      fail "the picture differs from $baseline; see $keep (regenerate on purpose with the update-baseline target)"
    fi
    ;;
  closed-streams)
    # A closed standard stream must not be taken over by the picture file or the X connection.
    timeout -s KILL 120 "$snapshot" "$work/c.png" >&- 2>"$work/err"
    status=$?
    [[ $status -eq 0 ]] || fail "snapshot with standard output closed: exit status $status"
    "$imgdiff" "$baseline" "$work/c.png" "${limits[@]}" >/dev/null ||
      fail "snapshot with standard output closed wrote a broken picture"
    "$swancage" <&- >&- 2>"$work/err" &
    pid=$!
    pids+=("$pid")
    win=$(find_window "$pid")
    [[ -n "$win" ]] || fail "no swancage window appeared within 30 s"
    xdotool mousemove --window "$win" 10 10
    xdotool windowfocus "$win"  # an earlier case may have left the keyboard nowhere
    sleep 1
    xdotool key Escape
    wait_exit 30
    [[ $status -eq 0 ]] || fail "swancage with standard input and output closed: exit status $status"
    [[ ! -s "$work/err" ]] || fail "unexpected standard error: $(cat "$work/err")"
    ;;
  snapshot-output)
    # OUT, here reached through a symbolic link, changes only when a complete picture is ready.
    printf 'keep\n' >"$work/a.png"
    chmod 640 "$work/a.png"
    ln -s a.png "$work/link.png"
    untouched() {
      [[ $(cat "$work/a.png") == keep ]] || fail "$1 changed the existing picture"
      [[ -L "$work/link.png" ]] || fail "$1 replaced the symbolic link"
      local left
      left=$(ls -A "$work" | grep -v -x -e a.png -e link.png -e out -e err)
      [[ -z "$left" ]] || fail "$1 left $left behind"
    }
    run_for 30 env "${no_display_egl[@]}" "$snapshot" "$work/link.png"
    [[ $status -eq 1 ]] || fail "snapshot without a display or EGL: exit status $status, expected 1"
    untouched "a snapshot without a display or EGL"
    for sig in TERM KILL; do  # sent while the frame is drawn, after the fifteenth log line
      rm -f "$work/out"
      "$snapshot" "$work/link.png" >"$work/out" 2>&1 &
      pid=$!
      pids+=("$pid")
      wait_for_lines "$work/out" 15 30
      kill -s "$sig" "$pid" || fail "the snapshot ended before SIG$sig"
      wait_exit 10
      untouched "a snapshot ended by SIG$sig"
    done
    (ulimit -f 64 && exec timeout -s KILL 120 "$snapshot" "$work/link.png") >/dev/null 2>&1
    untouched "a snapshot over the file-size limit"
    (ulimit -v 512000 && exec timeout -s KILL 60 "$snapshot" "$work/link.png") >/dev/null 2>&1
    status=$?
    [[ $status -eq 1 ]] || fail "snapshot refused a GL context: exit status $status, expected 1"
    untouched "a snapshot refused a GL context"

    mkfifo "$work/fifo"
    run_for 10 "$snapshot" "$work/fifo"
    [[ $status -eq 1 ]] || fail "snapshot into a FIFO nobody reads: exit status $status, expected 1"
    [[ ! -s "$work/out" ]] || fail "a FIFO nobody reads should fail before any drawing"
    one_error_line "FIFO that nobody reads"  # (one that is read: output:fifo-late-reader)

    timeout -s KILL 120 "$snapshot" "$work/link.png" >/dev/null || fail "snapshot failed"
    [[ -L "$work/link.png" ]] || fail "the snapshot replaced the symbolic link, not its target"
    "$imgdiff" "$baseline" "$work/a.png" "${limits[@]}" >/dev/null ||
      fail "the link's target does not hold the picture"
    [[ $(stat -c %a "$work/a.png") == 640 ]] || fail "the replaced picture lost its permissions"
    ;;
  x-failure)
    # Too little address space for the GL driver: the X server refuses the context. One line from
    # the program, last, and status 255; not Xlib's error block and its exit(1). 500 MB leaves the
    # driver about 150 MB beside the arena's 352 MB of address space.
    (ulimit -v 512000 && exec timeout -s KILL 60 "$swancage") >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 255 ]] || fail "a refused GL context: exit status $status, expected 255: $(cat "$work/err")"
    [[ ! -s "$work/out" ]] || fail "standard output should be empty: $(cat "$work/out")"
    [[ $(grep -c '^swancage: ' "$work/err") -eq 1 ]] && tail -n 1 "$work/err" | grep -q 'ulimit -v' ||
      fail "expected one last line from swancage naming the limit: $(cat "$work/err")"
    # A little more address space lets the driver start and then crash (about 620 to 740 MB
    # here; 800 MB draw the picture): the process must end, not hang in the driver's unload, and
    # say why.
    limit_mb=680
    (ulimit -v $((limit_mb * 1024)) && exec timeout -s KILL 60 "$swancage") >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -ne 137 ]] || fail "swancage hung or went on after failing with $limit_mb MB of address space"
    # Whichever way the driver fails, the last line is the program's, whole: a crash names its
    # signal (and std::bad_alloc, where the driver ran out of memory) and the limit, an X error the
    # request.
    last=$(tail -n 1 "$work/err")
    case $status in
      139 | 134 | 135)
        signal=$((status - 128))
        [[ $last =~ ^swancage:\ crashed\ with\ signal\ $signal(,\ out\ of\ memory\ \(std::bad_alloc\))?\;\ the\ address\ space\ is\ limited\ to\ $limit_mb\ MB\ \(ulimit\ -v\):\ allow\ more$ ]] ||
          fail "$limit_mb MB of address space, status $status: the crash line reads '$last'" ;;
      255)
        [[ $last =~ ^swancage:\ the\ X\ server\ refused\ request\ [0-9]+\.[0-9]+:\ .*ulimit\ -v ]] ||
          fail "$limit_mb MB of address space, status 255: the last line reads '$last'" ;;
      *) fail "$limit_mb MB of address space: exit status $status: $(cat "$work/err")" ;;
    esac
    # The X server going away under a running window.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb=$!
    pids+=("$xvfb")
    wait_until 10 test -s "$work/display" || fail "could not start a second X server"
    display=:$(head -n 1 "$work/display")
    DISPLAY=$display "$swancage" >"$work/out" 2>"$work/err" &
    pid=$!
    pids+=("$pid")
    DISPLAY=$display timeout -s KILL 30 xdotool search --sync --name '^swancage$' >/dev/null ||
      fail "no window on the second X server"
    kill -KILL "$xvfb"
    wait_exit 30
    [[ $status -eq 255 ]] || fail "X server gone: exit status $status, expected 255"
    one_error_line "^swancage: lost the connection to the X server$"
    ;;
  ignored-signals)
    # Started with SIGINT ignored, as a background job of a script is: it stays ignored. SIGTERM,
    # left at its default, still ends the program.
    start_swancage env --ignore-signal=INT
    alive_after 0.5 || fail "swancage ended before SIGINT"
    kill -s INT "$pid"
    alive_after 1 || fail "swancage ended on SIGINT, which it was started to ignore"
    kill -s TERM "$pid"
    wait_exit 10
    [[ $status -eq 143 ]] || fail "SIGTERM: exit status $status, expected 143"
    ;;
  wayland-only)
    # A Wayland session with no X display and no SDL_VIDEODRIVER: the program finds the
    # compositor by itself, shows the picture and ends on Escape.
    [[ -n "$wayland" ]] || fail "this case runs on the wayland stack"
    session=(-u DISPLAY)
    for setting in "${stack_env[@]}"; do
      [[ $setting == SDL_VIDEODRIVER=* ]] || session+=("$setting")
    done
    stack_env=("${session[@]}")
    start_swancage
    wait_for_picture
    xdotool key Escape
    wait_exit 20
    [[ $status -eq 0 ]] || fail "exit status $status after Escape: $(cat "$work/err")"
    ;;
  cpu-share)
    # Once the picture is shown nothing changes, so the program swaps no more and sleeps: at most
    # 1% of a core, and the same for a compositor (picom, weston) that would redraw the screen
    # after every swap, and about 20 wake-ups a second, as the README says, not over 25. Read over
    # 10 s once the picture is shown, then over 10 s after the window was covered and uncovered,
    # which a loop that went on presenting after an expose fails. CPU time is the scheduler's count
    # in nanoseconds of each thread's running: /proc/PID/stat's ticks charge a whole tick to
    # whoever it lands on, and read 1.2% for a 20 Hz loop on a busy machine. A loop that swaps
    # every 10 ms takes 7-35% here, its compositor up to 90%.
    start_swancage
    wait_for_picture
    sleep 1
    ran_ns() { cat "/proc/$1"/task/*/schedstat | awk '{ ns += $1 } END { printf "%.0f", ns }'; }
    wakeups() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$pid/task/$pid/status"; }
    idle_for_ten_seconds() {  # idle_for_ten_seconds WHEN
      local when=$1 start=$EPOCHREALTIME ran=$(ran_ns "$pid") switches=$(wakeups) compositor_ran=
      [[ -z "$compositor" ]] || compositor_ran=$(ran_ns "$compositor")
      sleep 10
      local seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }')
      within() {  # within WHAT NUMBER SCALE MOST UNIT: NUMBER / SCALE a second is at most MOST
        local value=$(awk -v n="$2" -v s="$3" -v t="$seconds" 'BEGIN { printf "%.2f", n / s / t }')
        echo "$1, $when: $value$5"
        awk -v v="$value" -v m="$4" 'BEGIN { exit !(v <= m) }' || fail "$1, $when: $value$5, over $4"
      }
      within "presenting loop" $(($(ran_ns "$pid") - ran)) 1e7 1 "% of a core"
      within "presenting loop" $(($(wakeups) - switches)) 1 25 " wake-ups a second"
      [[ -z "$compositor" ]] ||
        within "compositor" $(($(ran_ns "$compositor") - compositor_ran)) 1e7 1 "% of a core"
    }
    idle_for_ten_seconds "shown"
    cover_and_uncover
    sleep 1
    idle_for_ten_seconds "uncovered"
    xdotool key Escape
    wait_exit 20
    [[ $status -eq 0 ]] || fail "exit status $status after Escape"
    ;;
  idle-footprint)
    # Once the picture is shown, the program holds hardly more than a window on the same stack
    # that drew one triangle once: what it built the picture with is given back, and the threads
    # it drew with have ended. That plain window is the floor (here about 94 MB resident, 22 MB
    # of it anonymous): at most 15% more resident memory, at most 40 MB anonymous, and no more
    # threads.
    footprint() {  # footprint PID: resident kB, anonymous resident kB, threads
      awk '/^(VmRSS|RssAnon):/ { printf "%s ", $2 }' "/proc/$1/status"
      ls "/proc/$1/task" | wc -l
    }
    [[ -x "$plain_window" ]] || fail "no plain window program given"
    env "${stack_env[@]}" "$plain_window" >/dev/null 2>&1 &  # env execs: $! is the window's
    plain=$!
    pids+=("$plain")
    timeout -s KILL 30 xdotool search --sync --all --pid "$plain" --name '^plain-window$' \
      >/dev/null || fail "no plain window appeared within 30 s"
    sleep 2
    read -r plain_rss plain_anon plain_threads <<<"$(footprint "$plain")"
    [[ -n "$plain_threads" ]] || fail "the plain window ended before it was measured"
    kill -KILL "$plain"
    wait "$plain" 2>/dev/null
    start_swancage
    wait_for_picture
    sleep 2
    read -r rss anon threads <<<"$(footprint "$pid")"
    [[ -n "$threads" ]] || fail "swancage ended before it was measured"
    max_rss=$((plain_rss * 115 / 100)) max_anon=40960
    echo "plain window: $plain_rss kB resident, $plain_anon kB anonymous, $plain_threads threads"
    echo "swancage: $rss kB resident (at most $max_rss), $anon kB anonymous (at most $max_anon)," \
      "$threads threads (at most $plain_threads)"
    ((rss <= max_rss)) || fail "$rss kB resident once the picture is shown, more than $max_rss kB" \
      "(the plain window's $plain_rss kB and 15%)"
    ((anon <= max_anon)) ||
      fail "$anon kB anonymous resident once the picture is shown, more than $max_anon kB"
    ((threads <= plain_threads)) ||
      fail "$threads threads once the picture is shown, more than the plain window's $plain_threads"
    xdotool key Escape
    wait_exit 20
    [[ $status -eq 0 ]] || fail "exit status $status after Escape"
    ;;
  headless)
    # No display at all: the snapshot draws off screen through EGL. The same picture within the
    # suite's limits, the same log, statuses and messages, --size and --samples included. The
    # window program needs a display, and says so.
    run_for 120 env "${no_display[@]}" "$snapshot" "$work/p.png"
    [[ $status -eq 0 ]] || fail "snapshot without a display: exit status $status: $(cat "$work/err")"
    [[ ! -s "$work/err" ]] || fail "unexpected standard error: $(cat "$work/err")"
    check_log
    "$imgdiff" "$baseline" "$work/p.png" "${limits[@]}" ||
      fail "the picture drawn without a display is not the picture"
    # A DISPLAY that names a display with no server behind it is no display either.
    dead=4242
    while xdpyinfo -display ":$dead" >/dev/null 2>&1; do dead=$((dead + 1)); done
    run_for 120 env "${no_display[@]}" DISPLAY=":$dead" "$snapshot" "$work/dead.png"
    [[ $status -eq 0 ]] || fail "snapshot with DISPLAY=:$dead, no server: exit status $status: $(cat "$work/err")"
    "$imgdiff" "$baseline" "$work/dead.png" "${limits[@]}" ||
      fail "the picture drawn with DISPLAY naming no server is not the picture"
    env "${no_display[@]}" timeout -s KILL 120 "$snapshot" --size 960x720 "$work/narrow.png" >/dev/null ||
      fail "snapshot --size 960x720 without a display failed"
    convert "$baseline" -crop 960x720+160+0 +repage "$work/middle.png"
    "$imgdiff" "$work/middle.png" "$work/narrow.png" "${limits[@]}" ||
      fail "the 960x720 picture drawn without a display is not the picture's middle"
    env "${no_display[@]}" timeout -s KILL 120 "$snapshot" --samples 4 "$work/four.png" >/dev/null ||
      fail "snapshot --samples 4 without a display failed"
    "$imgdiff" "$baseline" "$work/four.png" "$tolerance" 0.10 "$strong" 0.02 ||
      fail "the 4-sample picture drawn without a display is not the picture"
    env "${no_display[@]}" timeout -s KILL 60 "$snapshot" --samples 3 "$work/three.png" >/dev/null 2>"$work/err"
    status=$?
    [[ $status -eq 2 ]] || fail "--samples 3 without a display: exit status $status, expected 2"
    grep -q "^swancage-snapshot: --samples 3: this GL driver does not give exactly" "$work/err" ||
      fail "--samples 3 without a display: $(cat "$work/err")"
    [[ ! -e "$work/three.png" ]] || fail "a refused snapshot wrote its picture"
    run_for 30 env "${no_display[@]}" "$swancage"
    [[ $status -eq 255 ]] || fail "swancage without a display: exit status $status, expected 255"
    one_error_line "^swancage: cannot open a 1280x720 OpenGL window: [^;]*$"  # names no limit
    ;;
  screen-depths)
    # A 16-bit screen rounds the colours, within the suite's limits. On a 30-bit screen SDL 1.2
    # cannot open an OpenGL window and crashes; where the screen offers no 24-bit visual to hand
    # it (Xvfb's do not), the one line says so. sdl12-compat draws there.
    start_private_x 1280x1024x16
    on_stack timeout -s KILL 120 "$snapshot" "$work/16.png" >/dev/null 2>"$work/err" ||
      fail "snapshot on a 16-bit screen failed: $(cat "$work/err")"
    # 5 and 6 bits per channel, dithered: channels off by up to 20 here (3.4% of the pixels by
    # more than 8), none strongly.
    "$imgdiff" "$baseline" "$work/16.png" 24 "$max_share" "$strong" "$max_strong_share" ||
      fail "the 16-bit screen's picture"
    start_private_x 1280x1024x30
    if [[ $stack == sdl12-compat ]]; then
      stack_snapshot 30.png
      "$imgdiff" "$baseline" "$work/30.png" "${limits[@]}" || fail "the 30-bit screen's picture"
    else
      run_for 60 "$swancage"
      [[ $status -eq 139 ]] || fail "SDL 1.2 on a 30-bit screen: exit status $status, expected 139: $(cat "$work/err")"
      one_error_line "^swancage: crashed with signal 11; SDL 1.2 cannot open an OpenGL window on this 30-bit screen, which offers no 24-bit visual: run the X server at depth 24, or use sdl12-compat$"
      # The snapshot names itself, and leaves no picture.
      run_for 60 "$snapshot" "$work/30.png"
      [[ $status -eq 139 ]] || fail "the snapshot on a 30-bit screen: exit status $status, expected 139: $(cat "$work/err")"
      one_error_line "^swancage-snapshot: crashed with signal 11; SDL 1.2 cannot open an OpenGL window on this 30-bit screen"
      [[ ! -e "$work/30.png" ]] || fail "a crashed snapshot left a picture"
    fi
    ;;
  indirect)
    # Indirect GLX (LIBGL_ALWAYS_INDIRECT, as over ssh -X): refused by the X server, or, where the
    # server allows it, an indirect GL too old to load. One line naming the cause, status 255 (1
    # for the snapshot).
    for server in default iglx; do
      [[ $server == iglx ]] && start_private_x 1280x1024x24 +iglx
      LIBGL_ALWAYS_INDIRECT=1 run_for 60 "$swancage"
      [[ $status -eq 255 ]] || fail "indirect GL ($server server): exit status $status, expected 255"
      one_error_line "^swancage: .*[Tt]he GL is indirect .*needs direct rendering"
    done
    LIBGL_ALWAYS_INDIRECT=1 run_for 60 "$snapshot" "$work/p.png"
    [[ $status -eq 1 ]] || fail "indirect GL, snapshot: exit status $status, expected 1"
    one_error_line "^swancage-snapshot: .*[Tt]he GL is indirect .*needs direct rendering"
    ;;
  open-files)
    # Too few descriptors for the display connection or the window: from 4 open files up, each
    # count that is too few ends with one line naming the limit (the windowing library alone says
    # "Couldn't open X11 display", "No available video device" or another cause), status 255, or
    # 1 for the snapshot, until the first count that is enough, which draws as usual. A server of
    # the case's own, with no Xauthority file that Xlib would complain it cannot open.
    start_private_x 1280x1024x24
    most=16  # what a failure names the limit within
    for program in "$swancage" "$snapshot"; do
      args=() failed=255
      [[ $program == "$snapshot" ]] && args=(--size 64x36 "$work/p.png") failed=1
      for ((n = 4; ; n++)); do
        ((n <= most)) || fail "$program cannot start with $most files open at once"
        # The window is enough once it is still up after 5 s; the snapshot once it has written.
        # Only the standard streams are open when it starts, as from a terminal.
        run_for 5 bash -c 'for fd in /proc/$$/fd/*; do fd=${fd##*/}; ((fd < 3)) || eval "exec $fd>&-"
                           done; ulimit -n "$0" && exec "$@"' "$n" "$program" "${args[@]}"
        ((status == 0 || status == 137 && failed == 255)) && break
        [[ $status -eq $failed ]] || fail "$program with $n files: status $status: $(cat "$work/err")"
        one_error_line ": .*; only $n files may be open at once \(ulimit -n\): allow more$"
      done
      echo "$program: enough with $n files open at once"
      ((failed == 255)) || [[ ! -s "$work/err" ]] || fail "$n files: $(cat "$work/err")"
    done
    [[ $(png_size "$work/p.png") == 64x36 ]] || fail "the snapshot with $n files wrote no picture"
    ;;
  snapshot-size)
    # Off screen at other sizes: the same camera, 45 degrees vertically, the aspect from W/H.
    # Pictures that should match the baseline are kept with their diff in Testing on failure.
    keep=${PWD}/Testing/snapshot-size-failure
    compare() {  # compare EXPECTED OBSERVED LIMITS...: fail with the pictures kept
      local expected=$1 observed=$2
      shift 2
      if ! "$imgdiff" "$expected" "$work/$observed.png" "$@" "$work/$observed-diff.png"; then
        mkdir -p "$keep" && cp "$work/$observed.png" "$work/$observed-diff.png" "$keep/"
        fail "$observed differs from $expected; see $keep"
      fi
    }
    for size in 1280x720 960x720 2560x1440; do
      on_stack timeout -s KILL 180 "$snapshot" --size "$size" "$work/$size.png" >/dev/null ||
        fail "snapshot --size $size failed"
    done
    # The window's size through the framebuffer object: the picture itself, within the suite's
    # limits (only rasterisation rounding may differ from the window's buffer).
    compare "$baseline" 1280x720 "${limits[@]}"
    # 4:3 keeps the vertical framing and shows less on each side: the baseline's middle 960
    # columns, pixel for pixel.
    convert "$baseline" -crop 960x720+160+0 +repage "$work/middle.png"
    compare "$work/middle.png" 960x720 "${limits[@]}"
    # Twice the size, averaged over 2x2 blocks: edges soften, so many pixels differ slightly;
    # strongly differing ones stay few (0.6% here), where a picture shifted by two pixels has
    # 6.6% and a wrong aspect a third.
    box_limits=("$tolerance" 0.10 "$strong" 0.02)
    convert "$work/2560x1440.png" -scale 50% "$work/halved.png"
    compare "$baseline" halved "${box_limits[@]}"
    # Negative control: the 4:3 picture stretched to 16:9, as a projection that ignores the
    # picture's shape would draw it, must fail the same comparison.
    convert "$work/960x720.png" -resize '1280x720!' "$work/stretched.png"
    "$imgdiff" "$baseline" "$work/stretched.png" "${box_limits[@]}" >/dev/null &&
      fail "a picture of the wrong aspect passed the 2x2 comparison"
    # Buffers the driver cannot allocate within 2 GB of address space: one line saying so and
    # how much is needed, status 1, no picture.
    (ulimit -v 2097152 && exec env "${stack_env[@]}" timeout -s KILL 60 "$snapshot" --size 8192x8192 --samples 4 \
      "$work/huge.png") >/dev/null 2>"$work/err"
    status=$?
    [[ $status -eq 1 ]] || fail "8192x8192 with 4 samples in 2 GB: exit status $status, expected 1: $(cat "$work/err")"
    # zink and lavapipe report the failed allocations themselves; those lines are the driver's.
    [[ $stack != zink ]] || sed -i -e '/^MESA: error: zink: /d' -e '/^error: XDG_RUNTIME_DIR /d' "$work/err"
    one_error_line "8192x8192 picture with 4 sample\(s\) per pixel .*[0-9]+ MB.*smaller --size"
    [[ ! -e "$work/huge.png" ]] || fail "a picture that could not be drawn was written"
    ;;
  snapshot-samples)
    # Four samples per pixel soften the cage's wires against the black background: in a patch of
    # the dome, hard steps (a background pixel next to a bright wire pixel) become gradual.
    timeout -s KILL 180 "$snapshot" --samples 4 "$work/four.png" >/dev/null ||
      fail "snapshot --samples 4 failed"
    timeout -s KILL 180 "$snapshot" --samples 1 "$work/one.png" >/dev/null ||
      fail "snapshot --samples 1 failed"
    "$imgdiff" "$baseline" "$work/four.png" "$tolerance" 0.10 "$strong" 0.02 >/dev/null ||
      fail "the 4-sample picture is not the picture: $("$imgdiff" "$baseline" "$work/four.png" "$tolerance" 0.10 "$strong" 0.02)"
    hard_steps() {  # hard_steps PICTURE: neighbour pairs, one <= 8 and the other >= 96 in grey
      convert "$1" -crop 180x120+380+40 +repage -colorspace gray -depth 8 gray:- |
        od -An -v -tu1 | tr -s ' ' '\n' | awk -v w=180 'NF { v[n++] = $1 } END {
          for (i = 0; i < n; i++) {
            if (i % w > 0) { a = v[i]; b = v[i - 1]; if ((a <= 8 && b >= 96) || (b <= 8 && a >= 96)) s++ }
            if (i >= w) { a = v[i]; b = v[i - w]; if ((a <= 8 && b >= 96) || (b <= 8 && a >= 96)) s++ }
          }
          print s + 0 }'
    }
    one=$(hard_steps "$work/one.png") four=$(hard_steps "$work/four.png")
    echo "hard steps in the dome patch: 1 sample $one, 4 samples $four"
    ((one >= 500)) || fail "the 1-sample dome patch has only $one hard steps; has the picture moved?"
    ((four * 2 <= one)) || fail "4 samples leave $four hard steps of $one; expected at most half"
    ;;
  snapshot-usage)
    # Every wrong use: its own message, the usage line, status 2, and OUT neither made nor touched.
    printf 'keep\n' >"$work/kept.png"
    refuse() {  # refuse PATTERN ARGS...: refused with a reason that begins with PATTERN
      usage_refused "$1.*" "${@:2}"
      [[ $(cat "$work/kept.png") == keep ]] || fail "snapshot ${*:2} changed an existing OUT"
      [[ -z $(ls -A "$work" | grep -v -x -e kept.png -e err -e out) ]] || fail "snapshot ${*:2} left files"
    }
    refuse "--size wants WIDTHxHEIGHT.*'1920'" --size 1920 "$work/new.png"
    refuse "--size wants WIDTHxHEIGHT.*'1920x1080x2'" --size 1920x1080x2 "$work/new.png"
    refuse "--size wants WIDTHxHEIGHT.*'-1920x1080'" --size -1920x1080 "$work/new.png"
    refuse "--size wants WIDTHxHEIGHT.*'1920x-1080'" --size 1920x-1080 "$work/kept.png"
    refuse "--size 0x720: both sides must be at least 1" --size 0x720 "$work/new.png"
    refuse "--size 20000x720: a side may be at most 16384" --size 20000x720 "$work/kept.png"
    refuse "--size 1x99999999999999999999: a side may be at most 16384" \
      --size 1x99999999999999999999 "$work/new.png"
    refuse "--size 16384x16384 is 268435456 pixels; at most 67108864" --size 16384x16384 \
      "$work/new.png"
    refuse "--samples wants a whole number.*'0'" --samples 0 "$work/new.png"
    refuse "--samples wants a whole number.*'four'" --samples four "$work/new.png"
    refuse "--samples 64 is beyond this GL driver's limit of [0-9]+ samples" --samples 64 \
      "$work/kept.png"
    refuse "unknown option '--sise'" --sise 1920x1080 "$work/new.png"
    refuse "no OUT.png given" --size 1920x1080
    refuse "--samples needs a value" "$work/new.png" --samples
    refuse "--size is given twice" --size 1920x1080 --size 640x360 "$work/new.png"
    refuse "more than one OUT.png" "$work/kept.png" "$work/new.png"
    # Asked for help or the version, wherever on the line: text on standard output, status 0,
    # nothing drawn (no log line) and nothing written.
    asked() {  # asked EXPECTED_FIRST_LINE EXPECTED_LINES ARGS...
      local first=$1 lines=$2
      shift 2
      timeout -s KILL 30 "$snapshot" "$@" >"$work/asked" 2>"$work/err"
      status=$?
      [[ $status -eq 0 ]] || fail "snapshot $*: exit status $status, expected 0: $(cat "$work/err")"
      [[ ! -s "$work/err" ]] || fail "snapshot $*: unexpected standard error: $(cat "$work/err")"
      [[ $(head -n 1 "$work/asked") =~ $first ]] || fail "snapshot $*: printed $(cat "$work/asked")"
      [[ $(wc -l <"$work/asked") -eq $lines ]] || fail "snapshot $*: printed $(cat "$work/asked")"
      [[ ! -e "$work/new.png" && $(cat "$work/kept.png") == keep ]] || fail "snapshot $* wrote a picture"
      rm -f "$work/asked"
    }
    asked '^usage: swancage-snapshot \[--size WxH\] \[--samples N\] OUT.png$' 6 --help
    asked '^usage: swancage-snapshot ' 6 --size 1920x1080 --help "$work/new.png"
    asked '^swancage-snapshot [0-9]+\.[0-9]+\.[0-9]+$' 1 --version
    asked '^swancage-snapshot [0-9]+\.[0-9]+\.[0-9]+$' 1 "$work/kept.png" --version
    for option in --size --samples --help --version; do
      "$snapshot" --help | grep -q -E "^  $option( |$)" || fail "--help has no line for $option"
    done
    ;;
  imgdiff)
    # The comparison itself at the suite's limits: if it could not tell a damaged picture from
    # the baseline, every image test would pass without looking.
    run_diff() {
      "$imgdiff" "$@" >"$work/out" 2>"$work/err"
      status=$?
    }
    run_diff "$baseline" "$baseline" "${limits[@]}"
    [[ $status -eq 0 ]] || fail "the baseline against itself: status $status: $(cat "$work/out")"
    convert "$baseline" -fill black -draw 'rectangle 590,300 689,399' "$work/blacked.png"
    run_diff "$baseline" "$work/blacked.png" "${limits[@]}" "$work/diff.png"
    [[ $status -eq 1 ]] || fail "a 100x100 block blacked out: status $status, expected 1: $(cat "$work/out" "$work/err")"
    [[ -s "$work/diff.png" ]] || fail "no diff image for a mismatch"
    # 2,400 black pixels turned white: 0.26% of the picture, inside the plain share on its own,
    # outside the share of strongly differing pixels.
    convert "$baseline" -fill white -draw 'rectangle 40,40 89,87' "$work/whitened.png"
    run_diff "$baseline" "$work/whitened.png" "$tolerance" "$max_share" "$strong" 1
    [[ $status -eq 0 ]] || fail "the white block should be inside the plain share: $(cat "$work/out")"
    run_diff "$baseline" "$work/whitened.png" "${limits[@]}"
    [[ $status -eq 1 ]] || fail "a 2,400-pixel white block passed: status $status: $(cat "$work/out")"
    run_diff "$baseline" "$work/missing.png" "${limits[@]}"
    [[ $status -eq 2 ]] || fail "a missing file: status $status, expected 2"
    grep -q "missing.png" "$work/err" || fail "the error should name the missing file: $(cat "$work/err")"
    run_diff "$baseline" "$work/blacked.png" "$max_share" "$tolerance" "$max_strong_share" "$strong"
    [[ $status -eq 2 ]] || fail "limits in the wrong order: status $status, expected 2 (usage)"
    ;;
  *)
    fail "unknown case"
    ;;
esac
pass
