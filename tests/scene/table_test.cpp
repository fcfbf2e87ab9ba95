// The table and the glass top: where the legs stand and how they are turned, the rim's outline,
// and the disc's level and size.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "geometry/tube.h"
#include "scene/table.h"
#include "tests/geometry/tube_probe.h"

namespace {

constexpr int32_t kLegVertices = kLegSegments * kTubeVertices;
constexpr int32_t kRimFirst = kTableLegs * kLegVertices;
constexpr int32_t kRimVertices = kRimSegments * kTubeVertices;

double horizontal_radius(const Point3& p) {
  return std::hypot(p.x, p.z);
}

TEST(Table, LegsStandOnTheirCircleFromTheFloorToUnderTheRim) {
  g_arena.count = 0;
  build_table();
  const double axes[kTableLegs][2] = {
      {220.51, -44.70}, {110.66, 195.91}, {-152.13, 165.78}, {-204.67, -93.45}, {25.63, -223.54}};
  for (int j = 0; j < kTableLegs; ++j) {
    const int32_t first = j * kLegVertices;
    const int32_t last = first + (kLegSegments - 1) * kTubeVertices;
    const Point3 foot = ring_centre(first, false);
    const Point3 head = ring_centre(last, true);
    EXPECT_NEAR(foot.x, axes[j][0], 0.01) << "leg " << j;
    EXPECT_NEAR(foot.z, axes[j][1], 0.01) << "leg " << j;
    EXPECT_NEAR(head.x, axes[j][0], 0.01) << "leg " << j;
    EXPECT_NEAR(head.z, axes[j][1], 0.01) << "leg " << j;
    EXPECT_NEAR(horizontal_radius(foot), kLegCircleRadius, 1e-3) << "leg " << j;
    EXPECT_FLOAT_EQ(foot.y, -300) << "leg " << j;
    EXPECT_FLOAT_EQ(head.y, -1.5f) << "leg " << j;
    EXPECT_NEAR(distance(side_p0(first, 0), foot), 24, 1e-3) << "leg " << j;
  }

  // The waist: a radius of about 7.5, a little below halfway up.
  double narrowest = 1e9, narrowest_y = 0;
  for (int p = 0; p < kLegSegments; ++p) {
    const double r = distance(side_p0(p * kTubeVertices, 0), ring_centre(p * kTubeVertices, false));
    if (r < narrowest) {
      narrowest = r;
      narrowest_y = side_p0(p * kTubeVertices, 0).y;
    }
  }
  EXPECT_NEAR(narrowest, 7.5, 0.1);
  EXPECT_GT(narrowest_y, -170);
  EXPECT_LT(narrowest_y, -150.75);
}

TEST(Table, RimIsARoundedRingFrom190To250AndMinus12To8) {
  g_arena.count = 0;
  build_table();
  ASSERT_EQ(g_arena.count, kRimFirst + kRimVertices);
  ASSERT_EQ(g_arena.count, kTableVertices);
  double r_min = 1e9, r_max = 0, y_min = 1e9, y_max = -1e9;
  for (int32_t i = kRimFirst; i < g_arena.count; ++i) {
    const Point3 p = position_of(i);
    r_min = std::min(r_min, horizontal_radius(p));
    r_max = std::max(r_max, horizontal_radius(p));
    y_min = std::min<double>(y_min, p.y);
    y_max = std::max<double>(y_max, p.y);
  }
  EXPECT_NEAR(r_min, 190, 1e-3);
  EXPECT_NEAR(r_max, 250, 1e-3);
  EXPECT_NEAR(y_min, -12, 1e-5);
  EXPECT_NEAR(y_max, 8, 1e-5);

  // The outline closes: it starts and ends at radius 250 on the glass top's level, and each
  // segment starts on the ring where the one before it ended.
  const int32_t last = g_arena.count - kTubeVertices;
  EXPECT_NEAR(horizontal_radius(side_p0(kRimFirst, 0)), 250, 1e-3);
  EXPECT_NEAR(horizontal_radius(side_q0(last, 0)), 250, 1e-3);
  EXPECT_NEAR(side_p0(kRimFirst, 0).y, kGlassTopY, 1e-5);
  EXPECT_NEAR(side_q0(last, 0).y, kGlassTopY, 1e-5);
  // The flat top and underside are one segment each, from the outer bend to the inner one and
  // back: segment 51 runs inward at y = 8 and segment 151 outward at y = -12.
  const int32_t top_flat = kRimFirst + 50 * kTubeVertices;
  const int32_t under_flat = kRimFirst + 150 * kTubeVertices;
  EXPECT_NEAR(horizontal_radius(side_p0(top_flat, 0)), 240, 1e-3);
  EXPECT_NEAR(horizontal_radius(side_q0(top_flat, 0)), 200, 0.5);
  EXPECT_NEAR(side_q0(top_flat, 0).y, 8, 0.01);
  EXPECT_NEAR(horizontal_radius(side_p0(under_flat, 0)), 200, 1e-3);
  EXPECT_NEAR(horizontal_radius(side_q0(under_flat, 0)), 240, 0.5);
  EXPECT_NEAR(side_p0(under_flat, 0).y, -12, 1e-5);
  for (int32_t s = kRimFirst + kTubeVertices; s < g_arena.count; s += kTubeVertices) {
    const Point3 start = side_p0(s, 0), previous_end = side_q0(s - kTubeVertices, 0);
    ASSERT_EQ(start.y, previous_end.y) << "segment " << (s - kRimFirst) / kTubeVertices;
    ASSERT_NEAR(horizontal_radius(start), horizontal_radius(previous_end), 1e-4);
  }
}

TEST(GlassTop, IsADiscOfRadius200AtTheGlassLevel) {
  g_arena.count = 0;
  build_glass_top();
  ASSERT_EQ(g_arena.count, kTubeVertices);
  double r_max = 0;
  for (int32_t i = 0; i < g_arena.count; ++i) {
    const Point3 p = position_of(i);
    ASSERT_GE(p.y, -2.01f) << "record " << i;
    ASSERT_LE(p.y, -2.0f) << "record " << i;
    r_max = std::max(r_max, horizontal_radius(p));
  }
  EXPECT_NEAR(r_max, 200, 1e-3);
  for (int k = 0; k < kTubeSides; ++k) {
    ASSERT_NEAR(horizontal_radius(side_p0(0, k)), 200, 1e-3) << "side " << k;
    ASSERT_EQ(side_q0(0, k).y, -2.0f);
    ASSERT_EQ(horizontal_radius(side_q0(0, k)), 0) << "side " << k;
  }
}

}  // namespace
