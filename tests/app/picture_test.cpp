// The whole picture against the committed baseline, within the image tolerance the suite uses
// everywhere (see CMakeLists.txt), and the negative control: the same frame with one pass left
// out must fail that comparison, or the comparison could not tell a broken picture from a good one.
#include <string>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "app/frame.h"
#include "app/shell.h"
#include "geometry/arena.h"
#include "tests/gl_env.h"
#include "tools/image_diff.h"
#include "tools/png_io.h"

namespace {

const ImageDiffLimits kLimits{SWANCAGE_IMAGE_TOLERANCE, SWANCAGE_IMAGE_MAX_SHARE};

RgbImage read_frame() {
  RgbImage image;
  image.width = kWindowWidth;
  image.height = kWindowHeight;
  std::vector<uint8_t> rows(size_t(kWindowWidth) * kWindowHeight * 3);
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  image.pixels.resize(rows.size());
  const size_t stride = size_t(kWindowWidth) * 3;
  for (int y = 0; y < kWindowHeight; ++y)
    std::copy_n(rows.data() + (kWindowHeight - 1 - y) * stride, stride,
                image.pixels.data() + y * stride);
  return image;
}

// Draws the frame as render_frame does, but without the pass named `skipped`.
RgbImage frame_without(const std::string& skipped) {
  start_up_capturing_log();
  g_arena.count = 0;  // a fresh arena, also when several tests share one process
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  set_camera();
  bool found = false;
  for (int i = 0; i < kFramePassCount; ++i) {
    if (kFramePasses[i].name == skipped) {
      found = true;
      continue;
    }
    run_pass(kFramePasses[i]);
  }
  EXPECT_TRUE(found) << "no pass named " << skipped;
  return read_frame();
}

TEST(Picture, FrameWithoutTheSwanFailsTheBaselineComparison) {
  RgbImage baseline;
  std::string error;
  ASSERT_TRUE(read_png_rgb(SWANCAGE_BASELINE_PNG, &baseline, &error)) << error;
  const RgbImage observed = frame_without("swan");
  const ImageDiffResult result = compare_images(baseline, observed, kLimits);
  std::printf("%s\n", describe(result, baseline, observed, kLimits).c_str());
  EXPECT_TRUE(result.same_size);
  EXPECT_FALSE(result.passed) << "a picture without its swan passed the baseline comparison";
}

TEST(Picture, FrameWithoutTheDoilyFailsTheBaselineComparison) {
  RgbImage baseline;
  std::string error;
  ASSERT_TRUE(read_png_rgb(SWANCAGE_BASELINE_PNG, &baseline, &error)) << error;
  const RgbImage observed = frame_without("doily");
  const ImageDiffResult result = compare_images(baseline, observed, kLimits);
  std::printf("%s\n", describe(result, baseline, observed, kLimits).c_str());
  EXPECT_FALSE(result.passed) << "a picture without its doily passed the baseline comparison";
}

}  // namespace
