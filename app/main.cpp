// swancage: draws the picture once into a 1280x720 window and shows it until Escape.
#include <cstdio>

#include "app/shell.h"

int main(int, char**) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // log lines appear as they happen, even in a pipe
  if (start_up() != 0) return -1;            // window, GL baseline, five programs
  const int status = run_event_loop();       // draw once, then present until Escape
  shut_down();                               // close the window
  return status;
}
