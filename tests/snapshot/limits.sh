#!/usr/bin/env bash
# End-to-end checks of the snapshot's limits that need the GL driver, at their edges on both
# sides, and of the numbers its messages give. The limits that need no driver are checked by
# options_test.cpp. Arguments: see tests/lib/common.sh.
source "$(dirname "$0")/../lib/common.sh"

# refused PATTERN ARGS...: a usage error (status 2), the reason matching PATTERN, then the usage
# line, and no picture.
refused() {
  usage_refused "$@" "$work/refused.png"
  [[ ! -e "$work/refused.png" ]] || fail "${*:2}: a refused run wrote a picture"
}

# drawn SIZE ARGS...: status 0 and a picture of SIZE.
drawn() {
  local size=$1
  shift
  rm -f "$work/p.png"
  run_snapshot "$@" "$work/p.png"
  [[ $status -eq 0 ]] || fail "$*: exit status $status, expected 0: $(cat "$work/err")"
  [[ $(png_size "$work/p.png") == "$size" ]] || fail "$*: wrote $(png_size "$work/p.png"), not $size"
}

case "$case_name" in
  samples)
    # Llvmpipe gives 1 and 4 samples per pixel exactly and nothing between: 2 and 3 are refused,
    # naming what it gives, not drawn silently with 4. Beyond its largest count is refused too.
    export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe
    for n in 2 3; do
      refused "--samples $n: this GL driver does not give exactly that many samples per pixel; it gives 1, 4" \
        --size 16x9 --samples "$n"
    done
    drawn 16x9 --size 16x9 --samples 1
    drawn 16x9 --size 16x9 --samples 4
    run_snapshot --size 16x9 --samples 64 "$work/p.png"
    max=$(sed -n "s/.*this GL driver's limit of \([0-9]*\) samples per pixel$/\1/p" "$work/err" | head -n 1)
    [[ -n $max ]] || fail "--samples 64: no limit named: $(cat "$work/err")"
    ((max >= 4)) || fail "--samples 64: a limit of $max, below the 4 just drawn"
    refused "--samples $((max + 1)) is beyond this GL driver's limit of $max samples per pixel" \
      --size 16x9 --samples $((max + 1))
    ;;
  size)
    # The largest side the program and llvmpipe both allow, and the smallest picture, are drawn;
    # one past the side is refused (the other edges need no driver: options_test.cpp).
    drawn 16384x1 --size 16384x1
    drawn 1x16384 --size 1x16384
    drawn 1x1 --size 1x1
    refused "--size 16385x1: a side may be at most 16384 pixels" --size 16385x1
    ;;
  out-of-memory)
    # Buffers the driver cannot allocate within 2 GB of address space: status 1, one line with the
    # memory the picture needs: pixels x (samples x (4 colour + 4 depth bytes) + 4 bytes of
    # resolved colour when multisampled), in MB rounded up. 8192x6000 with 4 samples is 1687.5 MB.
    width=8192 height=6000 samples=4
    bytes=$((width * height * (samples * (4 + 4) + (samples > 1 ? 4 : 0))))
    mb=$(((bytes + 1048575) / 1048576))
    (ulimit -v 2097152 && exec timeout -s KILL 60 "$snapshot" --size ${width}x$height \
      --samples $samples "$work/p.png") >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 1 ]] || fail "status $status, expected 1: $(cat "$work/err")"
    one_error_line "${width}x$height picture with $samples sample\(s\) per pixel .*\(about $mb MB\); ask for a smaller --size or fewer --samples$"
    [[ ! -e "$work/p.png" ]] || fail "a picture that could not be drawn was written"
    ;;
  address-space)
    # Too little address space for the geometry (reserved as the program loads): one line naming
    # the limit and status 1, even for --help, not the kernel's SIGSEGV before main. Without a
    # display, a limit that the EGL driver cannot start in is named as the cause, not a missing
    # driver; where the driver runs out of memory drawing, one line too, not the runtime's three.
    limited() {  # limited KB ARGS...: the snapshot without a display, under ulimit -v KB
      run_for 60 env -u DISPLAY -u WAYLAND_DISPLAY bash -c 'ulimit -v "$0" && exec "$@"' "$1" "$snapshot" "${@:2}"
    }
    for args in --help "$work/p.png"; do
      limited 300000 "$args"
      [[ $status -eq 1 ]] || fail "300 MB, $args: status $status, expected 1: $(cat "$work/err")"
      one_error_line "^swancage-snapshot: cannot reserve [0-9]+ MB of address space for the geometry: .*; the address space is limited to 292 MB \(ulimit -v\): allow more$"
    done
    # The driver may warn on its own first; the program's line is the one line of its own, last.
    last_line_only() {
      [[ $(grep -c '^swancage-snapshot: ' "$work/err") -eq 1 ]] && tail -n 1 "$work/err" | grep -q -E -- "$1" ||
        fail "expected one last line from the snapshot matching '$1': $(cat "$work/err")"
    }
    limited 500000 "$work/p.png"
    [[ $status -eq 1 ]] || fail "500 MB: status $status, expected 1: $(cat "$work/err")"
    last_line_only "^swancage-snapshot: no display .*; the address space is limited to 488 MB \(ulimit -v\): allow more$"
    # Here the driver fails one of several ways from run to run (out of memory in GL, SIGSEGV,
    # std::bad_alloc): whichever, the program's own line is the last and only one, and names the
    # limit where it crashed.
    limited 690000 "$work/p.png"
    ! grep -q 'terminate called' "$work/err" || fail "690 MB: the runtime's own lines: $(cat "$work/err")"
    case $status in
      1) last_line_only "^swancage-snapshot: " ;;
      134 | 139) last_line_only "crashed with signal $((status - 128)).*; the address space is limited to 673 MB \(ulimit -v\): allow more$" ;;
      *) fail "690 MB: status $status, expected 1, 134 or 139: $(cat "$work/err")" ;;
    esac
    [[ ! -e "$work/p.png" ]] || fail "a picture that could not be drawn was written"
    ;;
  *)
    fail "unknown case"
    ;;
esac
pass
