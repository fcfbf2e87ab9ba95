// The application shell: window, GL baseline, programs, the event loop and the once-only frame.
//
// Owns: the SDL window and GL context, the drawn flag, the loop's timing.
// May not: generate geometry or build shader texts itself; the frame's passes do that.
#pragma once

#include "app/frame.h"        // set_default_gl_state
#include "app/framebuffer.h"  // the window's size
#include "app/pass.h"

// Opens the 1280x720 window with its GL context and loads the GL entry points. Returns 0, or -1
// (after one line on standard error) when no window, GL context or GL loader could be had, or the
// GL is older than OpenGL 2.0 with GLSL 1.20; the caller then ends the process with
// exit_on_window_failure (app/process.h), without teardown. An X error or a lost X connection,
// now or later, ends the process the same way.
int open_window();

// open_window, set_default_gl_state and build_all_programs in one call, as the snapshot tool,
// the benchmarks and the GL tests start.
int start_up();

// Clears and draws the picture into the back buffer, once per run; later calls do nothing. `watch`
// sees each step of each pass (render_frame's).
void draw_frame_once(PassWatcher watch = nullptr);

// Draws the frame on the first iteration and swaps it to the window, then takes one event per
// iteration (every 10 ms while events come, every 50 ms when idle) until a fresh press of Escape,
// swapping again only when the window needs its picture again. Returns 0.
int run_event_loop();

// Closes the window.
void shut_down();
