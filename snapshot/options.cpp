// Reading the snapshot's command line strictly: every value is checked against the program's own
// limits before any window opens, so a usage error costs nothing and writes nothing.
#include "snapshot/options.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

const char kSnapshotUsage[] = "usage: swancage-snapshot [--size WxH] [--samples N] OUT.png";

void print_help(FILE* out) {
  std::fprintf(out,
               "%s\n"
               "Draws swancage's picture and writes it to OUT.png (- for standard output) as "
               "an 8-bit RGB PNG.\n"
               "  --size WxH   draw off screen at W x H pixels (each side 1 to %d, at most %lld "
               "in all)\n"
               "  --samples N  N samples per pixel (multisampling; a count the driver gives "
               "exactly)\n"
               "  --help       print this help and exit\n"
               "  --version    print the version and exit\n",
               kSnapshotUsage, kMaxRenderSide, kMaxRenderPixels);
}

void print_version(FILE* out) {
  std::fprintf(out, "swancage-snapshot %s\n", SWANCAGE_VERSION);
}

namespace {

// Beyond every limit and far from overflowing; `long long`, as `long` is 32 bits on Windows.
constexpr long long kHugeCount = 1LL << 40;

// A whole number, digits only: no sign, no spaces. Past kHugeCount it stops growing, so a long
// run of digits reads as too large instead of overflowing.
bool parse_count(const char* begin, const char* end, long long* value) {
  if (end == begin) return false;
  long long v = 0;
  for (const char* c = begin; c != end; ++c) {
    if (*c < '0' || *c > '9') return false;
    v = std::min(v * 10 + (*c - '0'), kHugeCount);
  }
  *value = v;
  return true;
}

bool parse_size(const char* text, RenderSize* size, std::string* error) {
  const char* x = std::strchr(text, 'x');
  long long width = 0, height = 0;
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
  } else if (width * height > kMaxRenderPixels) {
    std::snprintf(reason, sizeof reason,
                  "--size %lldx%lld is %lld pixels; at most %lld (8192x8192) are drawn", width,
                  height, width * height, kMaxRenderPixels);
  } else {
    size->width = static_cast<int>(width);
    size->height = static_cast<int>(height);
    return true;
  }
  *error = reason;
  return false;
}

bool parse_samples(const char* text, RenderSize* size, std::string* error) {
  long long samples = 0;
  if (!parse_count(text, text + std::strlen(text), &samples) || samples < 1) {
    *error = std::string(
                 "--samples wants a whole number of samples per pixel, 1 or more, such "
                 "as 4, not '") +
             text + "'";
    return false;
  }
  // Beyond an int it would wrap round to another count (4294967300 to 4); no driver gives as
  // many.
  if (samples > INT_MAX) {
    *error = std::string("--samples ") + text + ": more samples per pixel than any GL driver gives";
    return false;
  }
  size->samples = static_cast<int>(samples);
  return true;
}

}  // namespace

bool parse_options(int argc, char** argv, SnapshotOptions* options, std::string* error) {
  bool size_given = false, samples_given = false, options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool is_size = arg == "--size", is_samples = arg == "--samples";
    if (options_end || arg == "-" || arg[0] != '-') {  // "-" is standard output
      if (arg.empty())
        return *error = "OUT.png is empty: name a file, or - for standard output", false;
      if (options->path) return *error = "more than one OUT.png: '" + arg + "'", false;
      options->path = argv[i];
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--help" || arg == "--version") {
      // Asked for on its own terms: whatever else the line holds, nothing is drawn.
      options->asked = arg == "--help" ? SnapshotOptions::kHelp : SnapshotOptions::kVersion;
      return true;
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
  if (!options->path) return *error = "no OUT.png given", false;
  options->offscreen = size_given || samples_given;
  return true;
}
