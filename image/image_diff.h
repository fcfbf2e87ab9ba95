// Comparing two pictures with a per-channel tolerance and a cap on the share of differing pixels,
// the way image regression tests judge a render that may shift by rounding between GL versions.
//
// Owns: the comparison and the diff image. May not: touch GL or files other than the diff image.
#pragma once

#include <string>

#include "image/png_io.h"

// Two caps: many slightly differing pixels are rounding; fewer pixels that differ strongly (black
// turned white) are a changed shape, so they get a much smaller share of their own.
struct ImageDiffLimits {
  int channel_tolerance;    // a pixel differs when any channel differs by more than this
  double max_share;         // the comparison fails when more than this share of pixels differ
  int strong_difference;    // a pixel differs strongly when any channel differs by more than this
  double max_strong_share;  // ... and fails when more than this share differ strongly
};

struct ImageDiffResult {
  bool same_size = false;
  long differing_pixels = 0;
  long strongly_differing_pixels = 0;
  long total_pixels = 0;
  int max_channel_difference = 0;
  int worst_x = -1, worst_y = -1;  // where the largest difference is
  bool passed = false;
};

ImageDiffResult compare_images(const RgbImage& expected, const RgbImage& observed,
                               const ImageDiffLimits& limits);

// A human-readable summary: sizes, differing and strongly differing pixels against their caps,
// the worst pixel's expected and observed values.
std::string describe(const ImageDiffResult& result, const RgbImage& expected,
                     const RgbImage& observed, const ImageDiffLimits& limits);

// The observed image dimmed to a quarter, with differing pixels in full red.
RgbImage diff_image(const RgbImage& expected, const RgbImage& observed,
                    const ImageDiffLimits& limits);
