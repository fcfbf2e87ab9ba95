// swancage-snapshot [--size WxH] [--samples N] OUT.png (or --help, --version): the same start-up
// and frame as swancage, written as an RGB PNG. Without options the frame is read back from the
// window's back buffer before any swap, 1280x720. With either option it is drawn off screen at W x
// H (1280x720 when only --samples is given) with N samples per pixel, the same camera and a
// projection for W/H. Without a display (neither an X server nor a Wayland compositor to be
// reached) it draws off screen through EGL, at the window's size unless --size says otherwise.
//
// OUT changes only when the whole picture is ready (snapshot/output_file.h): a failed run, however
// it ends, leaves an existing OUT as it was. OUT "-" is standard output; the log then goes to
// standard error.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/camera.h"
#include "app/frame.h"
#include "app/framebuffer.h"
#include "app/process.h"
#include "app/shell.h"
#include "shading/programs.h"
#include "snapshot/headless.h"
#include "snapshot/offscreen.h"
#include "snapshot/options.h"
#include "snapshot/output_file.h"
#include "snapshot/progress.h"

namespace {

constexpr int kUsageStatus = 2;
constexpr int kFailureStatus = 1;

// The reason and the usage line, on standard error.
int usage_error(const std::string& reason) {
  std::fprintf(stderr, "swancage-snapshot: %s\n", reason.c_str());
  std::fprintf(stderr, "%s\n", kSnapshotUsage);
  return kUsageStatus;
}

// Off screen: the driver's limits (a usage error when the size is beyond them), the
// framebuffers with their viewport, and the projection for W/H. Returns 0 or the exit status,
// after its message; the pending output is dropped on failure.
int open_offscreen_picture(const RenderSize& size) {
  std::string error;
  if (!check_driver_limits(size, &error)) {
    abandon_output();
    return usage_error(error);
  }
  if (!open_offscreen_target(size, &error)) {
    abandon_output();
    std::fprintf(stderr, "swancage-snapshot: %s\n", error.c_str());
    return kFailureStatus;
  }
  load_camera_projection(static_cast<double>(size.width) / size.height);
  return 0;
}

bool read_offscreen_picture(RgbImage* image) {
  std::string error;
  if (read_offscreen_target(image, &error)) return true;
  abandon_output();
  end_progress();
  std::fprintf(stderr, "swancage-snapshot: %s\n", error.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  start_process("swancage-snapshot");  // closed 0, 1, 2 onto /dev/null, named messages, crashes
  argv = utf8_arguments(argc, argv);   // names in UTF-8 on every platform
  keep_freed_heap_memory();
  SnapshotOptions options;
  std::string error;
  if (!parse_options(argc, argv, &options, &error)) return usage_error(error);  // status 2
  if (options.asked == SnapshotOptions::kHelp) return print_help(stdout), 0;
  if (options.asked == SnapshotOptions::kVersion) return print_version(stdout), 0;
  const char* path = options.path;
  // The PNG and the log never share a stream: when the picture goes to standard output, the log
  // goes to standard error.
  const bool to_standard_output = names_standard_output(path);
  if (std::strcmp(path, "-") == 0) path = "standard output";  // as messages name it
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  // Fail before the slow work, not after it.
  if (!(to_standard_output ? prepare_standard_output(&error) : prepare_output(path, &error))) {
    std::fprintf(stderr, "swancage-snapshot: %s\n", error.c_str());
    return kFailureStatus;
  }
  set_window_failure_exit(kFailureStatus, abandon_output);
  begin_preparing_frame();  // on another core while the GL starts
  // Without a display the picture is drawn off screen through EGL, at the window's size.
  const bool headless = !display_available();
  if (headless) {
    if (!open_headless_context()) exit_on_window_failure();  // EGL, surfaceless
    set_default_gl_state();                                  // as start_up does after the window
    build_all_programs();
    options.offscreen = true;
  } else if (start_up() != 0) {  // window, GL baseline, five programs
    exit_on_window_failure();
  }
  if (options.offscreen) {
    const int status = open_offscreen_picture(options.size);  // W x H buffers, projection W/H
    if (status != 0) return status;
  }
  draw_frame_once(show_drawing_progress);          // into the back buffer or the off-screen picture
  show_progress_step("reading the picture back");  // on a terminal only, as all progress
  RgbImage image;
  if (!options.offscreen) {
    image = read_back_buffer();                  // before any swap
  } else if (!read_offscreen_picture(&image)) {  // resolved, then read
    return kFailureStatus;
  }
  show_progress_step("writing the PNG");
  const bool written = commit_output(image, &error);  // the picture, all at once
  end_progress();
  if (!written) {
    std::fprintf(stderr, "swancage-snapshot: %s: %s\n", path, error.c_str());
    return kFailureStatus;
  }
  // The window closes with the process: tearing down the window, the context and the driver
  // would only delay the exit.
  exit_without_teardown(0);
}
