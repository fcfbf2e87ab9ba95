// swancage: draws the picture once into a 1280x720 window and shows it until Escape.
#include <cstdio>

#include "app/frame.h"
#include "app/process.h"
#include "app/shell.h"
#include "shading/programs.h"

int main(int, char**) {
  start_process("swancage");  // closed 0, 1, 2 onto /dev/null, named messages, crash report
  keep_freed_heap_memory();   // the first frame's freed heap is reused, not trimmed
  begin_preparing_frame();    // on another core while the window opens
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // log lines appear as they happen, even in a pipe
  if (open_window() != 0) exit_on_window_failure();  // 1280x720 window, GL context, entry points
  set_default_gl_state();               // projection, culling, depth, blending, arena arrays
  build_all_programs();                 // five programs, fifteen log lines
  const int status = run_event_loop();  // draw once, then present until Escape
  shut_down();                          // close the window
  return status;
}
