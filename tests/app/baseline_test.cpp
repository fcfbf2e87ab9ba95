// The whole picture against the committed baseline, within the limits measured for this stack
// (see CMakeLists.txt), and the negative control: the same frame with one pass left
// out must fail that comparison, or the comparison could not tell a broken picture from a good one.
#include <string>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "app/frame.h"
#include "app/shell.h"
#include "geometry/arena.h"
#include "shading/programs.h"
#include "image/image_diff.h"
#include "image/png_io.h"
#include "app/framebuffer.h"
#include "tests/lib/gl_util.h"

namespace {

// The baseline's own limits on this stack, the worst case measured (CMakeLists.txt).
const ImageDiffLimits kLimits{SWANCAGE_BASELINE_TOLERANCE, SWANCAGE_BASELINE_MAX_SHARE,
                              SWANCAGE_BASELINE_STRONG_DIFFERENCE,
                              SWANCAGE_BASELINE_MAX_STRONG_SHARE};
// Counts every pixel that differs at all; never fails.
const ImageDiffLimits kExactly{0, 1.0, 0, 1.0};

// The pass the frame leaves out, and whether it was seen.
std::string g_skipped;
bool g_skipped_seen = false;

bool leave_out_skipped(const FramePass& pass, PassStep step) {
  if (step != PassStep::kBegin || pass.name != g_skipped) return true;
  g_skipped_seen = true;
  return false;
}

// Draws the frame, but without the pass named `skipped`.
RgbImage frame_without(const std::string& skipped) {
  start_up_capturing_log();
  g_arena.count = 0;  // a fresh arena, also when several tests share one process
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  g_skipped = skipped;
  g_skipped_seen = false;
  render_frame(leave_out_skipped);
  EXPECT_TRUE(g_skipped_seen) << "no pass named " << skipped;
  return read_back_buffer();
}

// The doily's two ways to the picture: its vertices captured once and the quads drawn from the
// capture (with half the capture on the helper context), and the quads drawn straight from its
// grid, as on a GL without transform feedback. Both must give the committed picture.
TEST(Baseline, DoilyFromCapturedVerticesAndFromItsGridBothMatch) {
  RgbImage baseline;
  std::string error;
  ASSERT_TRUE(read_png_rgb(SWANCAGE_BASELINE_PNG, &baseline, &error)) << error;
  for (bool captured : {true, false}) {
    start_up_capturing_log();
    if (!captured) draw_doily_from_its_grid();
    std::printf("doily %s\n",
                g_programs.doily_captures ? "from captured vertices" : "from its grid");
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    render_frame();
    const RgbImage observed = read_back_buffer();
    const ImageDiffResult exact = compare_images(baseline, observed, kExactly);
    std::printf("  exactly: %s\n", describe(exact, baseline, observed, kExactly).c_str());
    const ImageDiffResult result = compare_images(baseline, observed, kLimits);
    EXPECT_TRUE(result.passed) << describe(result, baseline, observed, kLimits);
    EXPECT_NO_GL_ERROR();
  }
}

// The swan covers a small part of the picture, the doily a larger one: both must be caught.
TEST(Baseline, FrameWithAPassLeftOutFailsTheComparison) {
  RgbImage baseline;
  std::string error;
  ASSERT_TRUE(read_png_rgb(SWANCAGE_BASELINE_PNG, &baseline, &error)) << error;
  for (const char* skipped : {"swan", "doily"}) {
    const RgbImage observed = frame_without(skipped);
    const ImageDiffResult result = compare_images(baseline, observed, kLimits);
    std::printf("without the %s: %s\n", skipped,
                describe(result, baseline, observed, kLimits).c_str());
    EXPECT_TRUE(result.same_size);
    EXPECT_FALSE(result.passed) << "a picture without its " << skipped
                                << " passed the baseline comparison";
  }
}

}  // namespace
