#!/usr/bin/env bash
# End-to-end checks of each fallback, with its primary path made to fail: the doily's capture
# helper (its pbuffer, its context, its thread's context, its capture), threads, sync objects,
# framebuffer objects, and the oldest GL the program accepts; and the build that runs nothing
# beside its main thread. Each still gives the picture, or
# refuses with its message. Arguments: see tests/lib/common.sh.
source "$(dirname "$0")/../lib/common.sh"

# picture SETTINGS...: the snapshot with those settings gives the baseline picture.
picture() {
  run_snapshot "$@" -- "$work/p.png"
  [[ $status -eq 0 ]] || fail "$*: exit status $status, expected 0: $(cat "$work/err")"
  same_picture "$baseline" "$work/p.png" "${baseline_limits[@]}"
}

case "$case_name" in
  helper-pbuffer | helper-context | helper-current | helper-capture)
    # No pbuffer, no shared context, a helper thread that cannot make its context current, or a
    # capture that fails on the helper: the window's context captures and lights the doily alone
    # (again, after a failed capture), and the picture is the same.
    fault=${case_name#helper-}
    picture LD_PRELOAD="$helper_fault" HELPER_FAULT="$fault" HELPER_FAULT_LOG="$work/faults"
    [[ -s "$work/faults" ]] || fail "the shim put no $fault fault in: the fallback was not run"
    ;;
  no-sync)
    # Without sync objects the helper cannot wait for its buffer and is not used.
    picture MESA_GL_VERSION_OVERRIDE=3.1COMPAT MESA_EXTENSION_OVERRIDE=-GL_ARB_sync
    ;;
  no-framebuffer-objects)
    # A GL without framebuffer objects: --size is refused with status 1 and why, before drawing;
    # the window's own picture is still written.
    no_fbo=(MESA_GL_VERSION_OVERRIDE=2.1
      "MESA_EXTENSION_OVERRIDE=-GL_ARB_framebuffer_object -GL_EXT_framebuffer_object")
    run_snapshot "${no_fbo[@]}" -- --size 64x36 "$work/p.png"
    [[ $status -eq 1 ]] || fail "--size without framebuffer objects: status $status, expected 1: $(cat "$work/err")"
    one_error_line "^swancage-snapshot: this GL driver offers no framebuffer objects .*leave out --size and --samples"
    [[ ! -e "$work/p.png" ]] || fail "a refused --size wrote a picture"
    picture "${no_fbo[@]}"
    ;;
  no-threads)
    # No thread can be started (every pthread_create fails): the frame is prepared, its tube pieces
    # built, the doily's surface captured and lit and the PNG deflated on the main thread alone,
    # and the picture is the same. The driver is kept off threads of its own.
    picture LD_PRELOAD="$no_threads" NO_THREADS_LOG="$work/threads" LP_NUM_THREADS=0 \
      MESA_SHADER_CACHE_DISABLE=true
    [[ -s "$work/threads" ]] || fail "the shim refused no thread: the fallbacks were not run"
    ;;
  inline-build)
    # Built for a platform without threads or shared contexts: the same picture, and not one thread
    # asked for, where the usual build asks (no-threads) and falls back.
    snapshot=$snapshot_inline picture LD_PRELOAD="$no_threads" NO_THREADS_LOG="$work/threads" \
      LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true
    [[ ! -s "$work/threads" ]] || fail "the inline build asked for $(wc -l <"$work/threads") threads"
    ;;
  gl-floor)
    # The oldest GL accepted, OpenGL 2.0 with GLSL 1.20, draws the picture (one step below is
    # refused: e2e gl-floor). The shader cache is off so the texts really compile at 1.20.
    picture MESA_GL_VERSION_OVERRIDE=2.0 MESA_GLSL_VERSION_OVERRIDE=120 MESA_SHADER_CACHE_DISABLE=true
    ;;
  *)
    fail "unknown case"
    ;;
esac
pass
