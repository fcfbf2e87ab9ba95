// swancage-snapshot OUT.png: the same start-up and frame as swancage, read back from the back
// buffer before any swap and written as a 1280x720 RGB PNG. For machines without a display the
// scripts run it under a virtual X server.
//
// OUT changes only when the whole picture is ready (tools/output_file.h): a failed run, however
// it ends, leaves an existing OUT as it was.
#include <cstdio>
#include <string>

#include "app/process.h"
#include "app/shell.h"
#include "tools/output_file.h"
#include "tools/readback.h"

namespace {

constexpr int kUsageStatus = 2;
constexpr int kFailureStatus = 1;

}  // namespace

int main(int argc, char** argv) {
  open_missing_standard_streams();  // closed 0, 1, 2 onto /dev/null, before any open
  if (argc != 2) {
    std::fprintf(stderr, "usage: swancage-snapshot OUT.png\n");
    return kUsageStatus;
  }
  const char* path = argv[1];
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::string error;
  if (!prepare_output(path, &error)) {  // fail before the slow work, not after it
    std::fprintf(stderr, "swancage-snapshot: %s\n", error.c_str());
    return kFailureStatus;
  }
  set_window_failure_exit(kFailureStatus, abandon_output);
  if (start_up() != 0) exit_on_window_failure();  // window, GL baseline, five programs
  draw_frame_once();                              // the frame, into the back buffer
  const RgbImage image = read_back_buffer();      // before any swap
  shut_down();                                    // close the window
  if (!commit_output(image, &error)) {            // the picture, all at once
    std::fprintf(stderr, "swancage-snapshot: %s: %s\n", path, error.c_str());
    return kFailureStatus;
  }
  return 0;
}
