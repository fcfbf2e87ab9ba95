// swancage-snapshot OUT.png: the same start-up and frame as swancage, read back from the back
// buffer before any swap and written as a 1280x720 RGB PNG. For machines without a display the
// scripts run it under a virtual X server.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/shell.h"
#include "tools/png_io.h"
#include "tools/readback.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: swancage-snapshot OUT.png\n");
    return 2;
  }
  const char* path = argv[1];
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  FILE* out = std::fopen(path, "wb");  // fail before the slow work, not after it
  if (!out) {
    std::fprintf(stderr, "swancage-snapshot: cannot open %s for writing: %s\n", path,
                 std::strerror(errno));
    return 1;
  }
  // On failure an empty or truncated picture is removed, but only a regular file: the path may
  // name a device or a pipe.
  struct stat st;
  const bool regular = fstat(fileno(out), &st) == 0 && S_ISREG(st.st_mode);
  auto discard = [&] {
    if (regular) std::remove(path);
  };
  if (start_up() != 0) {  // window, GL baseline, five programs
    std::fclose(out);
    discard();
    return 1;
  }
  draw_frame_once();                          // the frame, into the back buffer
  const RgbImage image = read_back_buffer();  // before any swap
  shut_down();                                // close the window
  std::string error;
  if (!write_png_rgb(out, image, &error)) {  // the picture, rows top-down
    std::fprintf(stderr, "swancage-snapshot: %s: %s\n", path, error.c_str());
    discard();
    return 1;
  }
  return 0;
}
