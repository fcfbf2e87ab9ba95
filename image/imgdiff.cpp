// swancage-imgdiff EXPECTED.png OBSERVED.png TOLERANCE MAX_SHARE STRONG MAX_STRONG_SHARE [DIFF.png]
// Exits 0 when at most MAX_SHARE of the pixels differ by more than TOLERANCE in any channel and at
// most MAX_STRONG_SHARE by more than STRONG; 1 when more do (writing DIFF.png if named); 2 on a
// usage or file error. Differences are whole numbers from 0 to 255, shares fractions from 0 to 1:
// anything else is refused, so limits passed in the wrong order fail loudly instead of passing.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/image_diff.h"

namespace {

constexpr int kUsageStatus = 2;
constexpr int kMaxChannelDifference = 255;

bool parse_difference(const char* text, int* value) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < 0 || v > kMaxChannelDifference) return false;
  *value = static_cast<int>(v);
  return true;
}

bool parse_share(const char* text, double* value) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(v >= 0 && v <= 1)) return false;
  *value = v;
  return true;
}

int usage() {
  std::fprintf(stderr,
               "usage: swancage-imgdiff EXPECTED.png OBSERVED.png TOLERANCE MAX_SHARE STRONG "
               "MAX_STRONG_SHARE [DIFF.png]\n"
               "  TOLERANCE, STRONG: per-channel differences, 0 to 255; "
               "MAX_SHARE, MAX_STRONG_SHARE: fractions of the pixels, 0 to 1\n");
  return kUsageStatus;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7 && argc != 8) return usage();
  ImageDiffLimits limits;
  if (!parse_difference(argv[3], &limits.channel_tolerance) ||
      !parse_share(argv[4], &limits.max_share) ||
      !parse_difference(argv[5], &limits.strong_difference) ||
      !parse_share(argv[6], &limits.max_strong_share))
    return usage();
  RgbImage expected, observed;
  std::string error;
  if (!read_png_rgb(argv[1], &expected, &error) || !read_png_rgb(argv[2], &observed, &error)) {
    std::fprintf(stderr, "swancage-imgdiff: %s\n", error.c_str());
    return kUsageStatus;
  }
  const ImageDiffResult result = compare_images(expected, observed, limits);
  std::printf("%s\n", describe(result, expected, observed, limits).c_str());
  if (!result.passed && argc == 8) {
    if (!write_png_rgb(argv[7], diff_image(expected, observed, limits), &error))
      std::fprintf(stderr, "swancage-imgdiff: %s\n", error.c_str());
    else
      std::printf("diff image: %s\n", argv[7]);
  }
  return result.passed ? 0 : 1;
}
