// swancage: draws the picture once into a 1280x720 window and shows it until Escape.
#include <cstdio>

#include "app/shell.h"
#include "shading/programs.h"

int main(int, char**) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // log lines appear as they happen, even in a pipe
  if (open_window() != 0) return -1;         // 1280x720 window, GL context, GL entry points
  set_default_gl_state();                    // projection, culling, depth, blending, arena arrays
  build_all_programs();                      // five programs, fifteen log lines
  const int status = run_event_loop();       // draw once, then present until Escape
  shut_down();                               // close the window
  return status;
}
