// Lines on a platform without threads, or without GL contexts shared between them (a browser
// page): nothing runs beside, and every piece is made on the consumer's thread as it is taken.
#include "pipeline/beside.h"
#include "pipeline/piece_line.h"

bool lines_run_beside() {
  return false;
}

bool start_beside_thread(PieceLine*) {
  return false;
}

void join_beside_thread(PieceLine*) {}
