// Lines on a platform with threads: the thread beside is a std::thread. A thread refused by the
// system (no memory for its stack, a process limit) leaves the line's pieces to the consumer.
#include <system_error>

#include "pipeline/beside.h"
#include "pipeline/piece_line.h"

bool lines_run_beside() {
  return true;
}

bool start_beside_thread(PieceLine* line) {
  try {
    line->thread = std::thread(make_pieces_beside, line);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void join_beside_thread(PieceLine* line) {
  if (line->thread.joinable()) line->thread.join();
}
