// No helper, for a GL with no second context to share objects with (WebGL): every line is made on
// the drawing thread, as it is wherever a helper cannot be had.
#include "app/capture_helper.h"

bool start_line_on_helper(PieceLine*, HelperRun*) {
  return false;
}

void close_helper() {}
