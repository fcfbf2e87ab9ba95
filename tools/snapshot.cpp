// swancage-snapshot [--size WxH] [--samples N] OUT.png: the same start-up and frame as swancage,
// written as an RGB PNG. Without options the frame is read back from the window's back buffer
// before any swap, 1280x720. With either option it is drawn off screen at W x H (1280x720 when
// only --samples is given) with N samples per pixel, the same camera and a projection for W/H.
// For machines without a display the scripts run it under a virtual X server.
//
// OUT changes only when the whole picture is ready (tools/output_file.h): a failed run, however
// it ends, leaves an existing OUT as it was.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/process.h"
#include "app/shell.h"
#include "tools/offscreen.h"
#include "tools/output_file.h"
#include "tools/readback.h"

namespace {

constexpr int kUsageStatus = 2;
constexpr int kFailureStatus = 1;
constexpr const char* kUsage = "usage: swancage-snapshot [--size WxH] [--samples N] OUT.png";
constexpr long kHugeCount = 1L << 40;  // beyond every limit, far from overflowing

struct SnapshotOptions {
  bool offscreen = false;  // --size or --samples given
  RenderSize size = {kWindowWidth, kWindowHeight, 1};
  const char* path = nullptr;
};

// A whole number, digits only: no sign, no spaces. Past kHugeCount it stops growing, so a long
// run of digits reads as too large instead of overflowing.
bool parse_count(const char* begin, const char* end, long* value) {
  if (end == begin) return false;
  long v = 0;
  for (const char* c = begin; c != end; ++c) {
    if (*c < '0' || *c > '9') return false;
    v = std::min(v * 10 + (*c - '0'), kHugeCount);
  }
  *value = v;
  return true;
}

bool parse_size(const char* text, RenderSize* size, std::string* error) {
  const char* x = std::strchr(text, 'x');
  long width = 0, height = 0;
  if (!x || !parse_count(text, x, &width) || !parse_count(x + 1, x + std::strlen(x), &height)) {
    *error =
        std::string("--size wants WIDTHxHEIGHT in pixels, such as 1920x1080, not '") + text + "'";
    return false;
  }
  char reason[256];
  if (width < 1 || height < 1) {
    std::snprintf(reason, sizeof reason, "--size %.40s: both sides must be at least 1 pixel", text);
  } else if (width > kMaxRenderSide || height > kMaxRenderSide) {
    std::snprintf(reason, sizeof reason, "--size %.40s: a side may be at most %d pixels", text,
                  kMaxRenderSide);
  } else if (static_cast<long long>(width) * height > kMaxRenderPixels) {
    std::snprintf(reason, sizeof reason,
                  "--size %ldx%ld is %lld pixels; at most %lld (8192x8192) are drawn", width,
                  height, static_cast<long long>(width) * height, kMaxRenderPixels);
  } else {
    size->width = static_cast<int>(width);
    size->height = static_cast<int>(height);
    return true;
  }
  *error = reason;
  return false;
}

bool parse_samples(const char* text, RenderSize* size, std::string* error) {
  long samples = 0;
  if (!parse_count(text, text + std::strlen(text), &samples) || samples < 1) {
    *error = std::string(
                 "--samples wants a whole number of samples per pixel, 1 or more, such "
                 "as 4, not '") +
             text + "'";
    return false;
  }
  size->samples = static_cast<int>(samples);
  return true;
}

// Takes the options and OUT. False on anything else, with the reason in `error` (empty when
// nothing at all was given): an unknown or repeated option, a bad value, no OUT or more than one.
bool parse_options(int argc, char** argv, SnapshotOptions* options, std::string* error) {
  bool size_given = false, samples_given = false, options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool is_size = arg == "--size", is_samples = arg == "--samples";
    if (options_end || arg == "-" || arg[0] != '-') {
      if (options->path) return *error = "more than one OUT.png: '" + arg + "'", false;
      options->path = argv[i];
    } else if (arg == "--") {
      options_end = true;
    } else if (is_size || is_samples) {
      bool& given = is_size ? size_given : samples_given;
      if (given) return *error = arg + " is given twice", false;
      if (i + 1 == argc) return *error = arg + " needs a value", false;
      const char* value = argv[++i];
      if (!(is_size ? parse_size(value, &options->size, error)
                    : parse_samples(value, &options->size, error)))
        return false;
      given = true;
    } else {
      return *error = "unknown option '" + arg + "'", false;
    }
  }
  if (!options->path) {
    if (argc > 1) *error = "no OUT.png given";
    return false;
  }
  options->offscreen = size_given || samples_given;
  return true;
}

// The reason, if there is one, and the usage line, on standard error.
int usage_error(const std::string& reason) {
  if (!reason.empty()) std::fprintf(stderr, "swancage-snapshot: %s\n", reason.c_str());
  std::fprintf(stderr, "%s\n", kUsage);
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
  set_projection(static_cast<double>(size.width) / size.height);
  return 0;
}

bool read_offscreen_picture(RgbImage* image) {
  std::string error;
  if (read_offscreen_target(image, &error)) return true;
  abandon_output();
  std::fprintf(stderr, "swancage-snapshot: %s\n", error.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  open_missing_standard_streams();  // closed 0, 1, 2 onto /dev/null, before any open
  SnapshotOptions options;
  std::string error;
  if (!parse_options(argc, argv, &options, &error)) return usage_error(error);  // status 2
  const char* path = options.path;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (!prepare_output(path, &error)) {  // fail before the slow work, not after it
    std::fprintf(stderr, "swancage-snapshot: %s\n", error.c_str());
    return kFailureStatus;
  }
  set_window_failure_exit(kFailureStatus, abandon_output);
  if (start_up() != 0) exit_on_window_failure();  // window, GL baseline, five programs
  if (options.offscreen) {
    const int status = open_offscreen_picture(options.size);  // W x H buffers, projection W/H
    if (status != 0) return status;
  }
  draw_frame_once();  // the frame, into the back buffer or the off-screen picture
  RgbImage image;
  if (!options.offscreen) {
    image = read_back_buffer();                  // before any swap
  } else if (!read_offscreen_picture(&image)) {  // resolved, then read
    return kFailureStatus;
  }
  shut_down();                          // close the window
  if (!commit_output(image, &error)) {  // the picture, all at once
    std::fprintf(stderr, "swancage-snapshot: %s: %s\n", path, error.c_str());
    return kFailureStatus;
  }
  return 0;
}
