// The bird cage: its wires' order and places, the floor in y = 0, and the ribs meeting at the apex.
#include <cmath>

#include <gtest/gtest.h>

#include "geometry/tube.h"
#include "scene/cage.h"
#include "tests/geometry/tube_probe.h"

namespace {

constexpr int kPositions = kCagePositions;             // bars, spokes and ribs, 18 degrees apart
constexpr int32_t kTierZeroSegments = 4 * kPositions;  // spoke, bar, ring piece, floor ring piece
constexpr int32_t kTierOneSegments = 2 * kPositions;   // bar, ring piece
constexpr int32_t kDomeFirst = (kTierZeroSegments + kTierOneSegments) * kTubeVertices;
constexpr int kDomeSteps = kDomeSegments;

int32_t segment(int32_t n) {
  return n * kTubeVertices;
}

Point3 on_circle(int position, double y) {
  const double theta = position * 2 * M_PI / kPositions;
  return {static_cast<float>(kCageRadius * std::cos(theta)), static_cast<float>(y),
          static_cast<float>(kCageRadius * std::sin(theta))};
}

void expect_axis(int32_t first, const Point3& base, const Point3& top, const char* what, int k) {
  EXPECT_LT(distance(ring_centre(first, false), base), 1e-4) << what << " " << k;
  EXPECT_LT(distance(ring_centre(first, true), top), 1e-4) << what << " " << k;
  EXPECT_NEAR(distance(side_p0(first, 0), ring_centre(first, false)), kCageWireRadius, 1e-4)
      << what << " " << k;
}

TEST(Cage, WallsComeFirstWithSpokesBarsAndRingsInOrder) {
  g_arena.count = 0;
  build_cage();
  ASSERT_EQ(g_arena.count,
            (kTierZeroSegments + kTierOneSegments + kPositions * kDomeSteps) * kTubeVertices);
  ASSERT_EQ(g_arena.count, kCageVertices);
  const Point3 origin = {0, 0, 0};
  for (int k = 0; k < kPositions; ++k) {
    const int next = k + 1;
    expect_axis(segment(4 * k), on_circle(k, 0), origin, "spoke", k);
    expect_axis(segment(4 * k + 1), on_circle(k, 0), on_circle(k, 75), "tier 0 bar", k);
    expect_axis(segment(4 * k + 2), on_circle(next, 75), on_circle(k, 75), "ring at 75", k);
    expect_axis(segment(4 * k + 3), on_circle(next, 0), on_circle(k, 0), "floor ring", k);
    const int32_t tier_one = kTierZeroSegments + 2 * k;
    expect_axis(segment(tier_one), on_circle(k, 75), on_circle(k, 150), "tier 1 bar", k);
    expect_axis(segment(tier_one + 1), on_circle(next, 150), on_circle(k, 150), "ring at 150", k);
  }
}

TEST(Cage, FloorLiesInThePlaneYZero) {
  g_arena.count = 0;
  build_cage();
  for (int k = 0; k < kPositions; ++k) {
    for (int32_t floor_piece : {4 * k, 4 * k + 3}) {  // spoke and floor ring piece
      const int32_t first = segment(floor_piece);
      ASSERT_NEAR(ring_centre(first, false).y, 0, 1e-6) << "segment " << floor_piece;
      ASSERT_NEAR(ring_centre(first, true).y, 0, 1e-6) << "segment " << floor_piece;
      for (int32_t i = first; i < first + kTubeVertices; ++i)
        ASSERT_LE(std::fabs(position_of(i).y), kCageWireRadius * 1.0001f) << "record " << i;
    }
  }
}

TEST(Cage, DomeRibsRiseFromTheTopRingAndMeetAtTheApex) {
  g_arena.count = 0;
  build_cage();
  const Point3 apex = {0, 225, 0};
  for (int k = 0; k < kPositions; ++k) {
    const int32_t first = kDomeFirst + segment(k);
    const int32_t last = kDomeFirst + segment((kDomeSteps - 1) * kPositions + k);
    EXPECT_LT(distance(ring_centre(first, false), on_circle(k, 150)), 1e-4) << "rib " << k;
    EXPECT_LT(distance(ring_centre(last, true), apex), 1e-4) << "rib " << k;
    // Each step of the rib starts where the step before it ended.
    for (int m = 1; m < kDomeSteps; ++m) {
      const int32_t here = kDomeFirst + segment(m * kPositions + k);
      const int32_t before = here - segment(kPositions);
      ASSERT_LT(distance(ring_centre(here, false), ring_centre(before, true)), 1e-4)
          << "rib " << k << " step " << m;
    }
  }
  // Halfway round the quarter ellipse, 45 degrees: radius 125 cos 45, height 75 (sin 45 + 2).
  const Point3 mid = ring_centre(kDomeFirst + segment(kDomeSteps / 2 * kPositions), false);
  EXPECT_NEAR(mid.x, 125 * std::sqrt(0.5), 1e-3);
  EXPECT_NEAR(mid.y, 75 * (std::sqrt(0.5) + 2), 1e-3);
  EXPECT_NEAR(mid.z, 0, 1e-4);
}

}  // namespace
