// swancage-imgdiff EXPECTED.png OBSERVED.png TOLERANCE MAX_SHARE [DIFF.png]
// Exits 0 when at most MAX_SHARE of the pixels differ by more than TOLERANCE in any channel,
// 1 when more do (writing DIFF.png if named), 2 on a usage or file error.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/image_diff.h"

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr,
                 "usage: swancage-imgdiff EXPECTED.png OBSERVED.png TOLERANCE MAX_SHARE "
                 "[DIFF.png]\n");
    return 2;
  }
  RgbImage expected, observed;
  std::string error;
  if (!read_png_rgb(argv[1], &expected, &error) || !read_png_rgb(argv[2], &observed, &error)) {
    std::fprintf(stderr, "swancage-imgdiff: %s\n", error.c_str());
    return 2;
  }
  const ImageDiffLimits limits{std::atoi(argv[3]), std::atof(argv[4])};
  const ImageDiffResult result = compare_images(expected, observed, limits);
  std::printf("%s\n", describe(result, expected, observed, limits).c_str());
  if (!result.passed && argc == 6) {
    if (!write_png_rgb(argv[5], diff_image(expected, observed, limits), &error))
      std::fprintf(stderr, "swancage-imgdiff: %s\n", error.c_str());
    else
      std::printf("diff image: %s\n", argv[5]);
  }
  return result.passed ? 0 : 1;
}
