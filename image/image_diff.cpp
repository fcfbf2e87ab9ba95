// The per-pixel comparison: a pixel's difference is its largest channel difference.
#include "image/image_diff.h"

#include <cstdio>
#include <cstdlib>

namespace {

int pixel_difference(const RgbImage& a, const RgbImage& b, size_t pixel) {
  int worst = 0;
  for (int c = 0; c < 3; ++c) {
    const int d = std::abs(int(a.pixels[pixel * 3 + c]) - int(b.pixels[pixel * 3 + c]));
    if (d > worst) worst = d;
  }
  return worst;
}

}  // namespace

ImageDiffResult compare_images(const RgbImage& expected, const RgbImage& observed,
                               const ImageDiffLimits& limits) {
  ImageDiffResult r;
  r.same_size = expected.width == observed.width && expected.height == observed.height;
  if (!r.same_size) return r;
  r.total_pixels = long(expected.width) * expected.height;
  for (long p = 0; p < r.total_pixels; ++p) {
    const int d = pixel_difference(expected, observed, p);
    if (d > limits.channel_tolerance) ++r.differing_pixels;
    if (d > limits.strong_difference) ++r.strongly_differing_pixels;
    if (d > r.max_channel_difference) {
      r.max_channel_difference = d;
      r.worst_x = int(p % expected.width);
      r.worst_y = int(p / expected.width);
    }
  }
  r.passed = r.differing_pixels <= limits.max_share * r.total_pixels &&
             r.strongly_differing_pixels <= limits.max_strong_share * r.total_pixels;
  return r;
}

std::string describe(const ImageDiffResult& r, const RgbImage& expected, const RgbImage& observed,
                     const ImageDiffLimits& limits) {
  char buf[512];
  if (!r.same_size) {
    std::snprintf(buf, sizeof buf, "size differs: expected %dx%d, observed %dx%d", expected.width,
                  expected.height, observed.width, observed.height);
    return buf;
  }
  int n =
      std::snprintf(buf, sizeof buf,
                    "%s: %ld of %ld pixels (%.4f%%) differ by more than %d per channel, "
                    "allowed %.4f%%; %ld (%.4f%%) by more than %d, allowed %.4f%%; "
                    "largest difference %d",
                    r.passed ? "match" : "MISMATCH", r.differing_pixels, r.total_pixels,
                    100.0 * r.differing_pixels / r.total_pixels, limits.channel_tolerance,
                    100.0 * limits.max_share, r.strongly_differing_pixels,
                    100.0 * r.strongly_differing_pixels / r.total_pixels, limits.strong_difference,
                    100.0 * limits.max_strong_share, r.max_channel_difference);
  if (r.worst_x >= 0) {
    const size_t p = (size_t(r.worst_y) * expected.width + r.worst_x) * 3;
    std::snprintf(buf + n, sizeof buf - n,
                  " at (%d, %d): expected (%d, %d, %d), observed (%d, %d, %d)", r.worst_x,
                  r.worst_y, expected.pixels[p], expected.pixels[p + 1], expected.pixels[p + 2],
                  observed.pixels[p], observed.pixels[p + 1], observed.pixels[p + 2]);
  }
  return buf;
}

RgbImage diff_image(const RgbImage& expected, const RgbImage& observed,
                    const ImageDiffLimits& limits) {
  RgbImage out = observed;
  if (expected.width != observed.width || expected.height != observed.height) return out;
  const long total = long(out.width) * out.height;
  for (long p = 0; p < total; ++p) {
    uint8_t* px = &out.pixels[p * 3];
    if (pixel_difference(expected, observed, p) > limits.channel_tolerance) {
      px[0] = 255;
      px[1] = px[2] = 0;
    } else {
      for (int c = 0; c < 3; ++c) px[c] /= 4;
    }
  }
  return out;
}
