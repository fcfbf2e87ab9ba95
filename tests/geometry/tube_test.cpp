// Tube segments: vertex count, which way each triangle faces, the closed ring, cones, reversed
// axes, and bit-for-bit agreement with the plain per-side definition.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "geometry/tube.h"
#include "tests/geometry/tube_probe.h"
#include "geometry/tube_reference.h"

namespace {

struct Segment {
  Point3 base, top;
  float r_base, r_top;
};

// Upright, tilted and lying axes, a cone and a widening tube.
const Segment kShapes[] = {
    {{0, 0, 0}, {0, 10, 0}, 3, 2},
    {{1, 2, 3}, {4, -2, 8}, 2.5f, 2.5f},
    {{-50, 7, 20}, {60, 7, -10}, 1, 4},
    {{5, -300, 5}, {5, -298.5f, 5}, 24, 23.5f},
};

// Distance vector from the axis line through a and b to p.
Point3 from_axis(const Point3& p, const Point3& a, const Point3& b) {
  const Point3 d = b - a;
  const double t = dot(p - a, d) / dot(d, d);
  const Point3 foot = {static_cast<float>(a.x + t * d.x), static_cast<float>(a.y + t * d.y),
                       static_cast<float>(a.z + t * d.z)};
  return p - foot;
}

Point3 centroid_of_triangle(int32_t first) {
  const Point3 a = position_of(first), b = position_of(first + 1), c = position_of(first + 2);
  return {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
}

TEST(TubeSegment, OuterTrianglesFaceAwayFromTheAxisAndTheirTwinsTowardsIt) {
  for (const Segment& s : kShapes) {
    g_arena.count = 0;
    emit_tube_segment(s.base, s.top, s.r_base, s.r_top);
    for (int k = 0; k < kTubeSides; ++k) {
      for (int t = 0; t < 4; ++t) {
        const int32_t first = 12 * k + 3 * t;
        const Point3 n = normal_of(first);
        const double outward = dot(n, from_axis(centroid_of_triangle(first), s.base, s.top));
        ASSERT_NEAR(dot(n, n), 1.0, 1e-5) << "side " << k << " triangle " << t;
        if (t == 0 || t == 3)  // (P0, P1, Q0) and (P1, Q1, Q0)
          ASSERT_GT(outward, 0) << "side " << k << " triangle " << t;
        else
          ASSERT_LT(outward, 0) << "side " << k << " triangle " << t;
      }
    }
  }
}

TEST(TubeSegment, SidesJoinIntoAClosedRingAtTheGivenRadii) {
  for (const Segment& s : kShapes) {
    g_arena.count = 0;
    emit_tube_segment(s.base, s.top, s.r_base, s.r_top);
    const double tolerance = 2e-6 * (std::fabs(s.base.x) + std::fabs(s.base.y) +
                                     std::fabs(s.base.z) + s.r_base + s.r_top + 10);
    for (int k = 0; k < kTubeSides; ++k) {
      const int next = (k + 1) % kTubeSides;  // side 99's far edge meets side 0's near edge
      ASSERT_LT(distance(side_p1(0, k), side_p0(0, next)), tolerance) << "side " << k;
      ASSERT_LT(distance(side_q1(0, k), side_q0(0, next)), tolerance) << "side " << k;
      ASSERT_NEAR(distance(side_p0(0, k), s.base), s.r_base, tolerance) << "side " << k;
      ASSERT_NEAR(distance(side_q0(0, k), s.top), s.r_top, tolerance) << "side " << k;
    }
    // Consecutive sides turn by a hundredth of the circle.
    const double chord = 2 * s.r_base * std::sin(M_PI / kTubeSides);
    EXPECT_NEAR(distance(side_p0(0, 0), side_p1(0, 0)), chord, tolerance);
  }
}

TEST(TubeSegment, ConeTipTrianglesHaveNoArea) {
  g_arena.count = 0;
  const Point3 base = {3, 1, -2}, top = {3, 9, -2};
  emit_tube_segment(base, top, 5, 0);
  for (int k = 0; k < kTubeSides; ++k) {
    const Point3 q0 = side_q0(0, k), q1 = side_q1(0, k);
    ASSERT_TRUE(q0.x == q1.x && q0.y == q1.y && q0.z == q1.z) << "side " << k;
    ASSERT_TRUE(q0.x == top.x && q0.y == top.y && q0.z == top.z) << "side " << k;
    ASSERT_TRUE(std::isfinite(normal_of(12 * k).x)) << "side " << k;
    ASSERT_TRUE(std::isfinite(normal_of(12 * k + 3).x)) << "side " << k;
    ASSERT_FALSE(std::isfinite(normal_of(12 * k + 6).x)) << "side " << k;
    ASSERT_FALSE(std::isfinite(normal_of(12 * k + 9).x)) << "side " << k;
  }
}

TEST(TubeSegment, ReversedAxisGivesTheSameSurfacePoints) {
  for (const Segment& s : kShapes) {
    g_arena.count = 0;
    emit_tube_segment(s.base, s.top, s.r_base, s.r_top);
    emit_tube_segment(s.top, s.base, s.r_top, s.r_base);
    const double tolerance = 1e-5 * (std::fabs(s.base.x) + std::fabs(s.base.y) +
                                     std::fabs(s.base.z) + s.r_base + s.r_top + 10);
    // Every corner of the forward segment is a corner of the reversed one, on the same ring.
    for (int k = 0; k < kTubeSides; ++k) {
      double nearest_p = 1e30, nearest_q = 1e30;
      for (int j = 0; j < kTubeSides; ++j) {
        nearest_p = std::min(nearest_p, distance(side_p0(0, k), side_q0(kTubeVertices, j)));
        nearest_q = std::min(nearest_q, distance(side_q0(0, k), side_p0(kTubeVertices, j)));
      }
      ASSERT_LT(nearest_p, tolerance) << "side " << k;
      ASSERT_LT(nearest_q, tolerance) << "side " << k;
    }
    // It starts on the opposite side of the ring.
    EXPECT_NEAR(distance(side_p0(0, 0), side_q0(kTubeVertices, 0)), 2 * s.r_base, tolerance);
  }
}

void expect_same_as_plain_definition(const Segment& s) {
  g_arena.count = 0;
  emit_tube_segment(s.base, s.top, s.r_base, s.r_top);
  reference_tube_segment(s.base, s.top, s.r_base, s.r_top);
  ASSERT_EQ(g_arena.count, 2 * kTubeVertices);
  for (int32_t i = 0; i < kTubeVertices; ++i) {
    ASSERT_EQ(
        std::memcmp(&g_arena.vertices[i], &g_arena.vertices[kTubeVertices + i], sizeof(Vertex)), 0)
        << "record " << i << " of the segment from (" << s.base.x << ", " << s.base.y << ", "
        << s.base.z << ") to (" << s.top.x << ", " << s.top.y << ", " << s.top.z << ")";
  }
}

// The arena's segment precomputes and batches work across sides; none of that may change a
// single bit of what the definition gives, the non-finite normals of a cone's tip included.
TEST(TubeSegment, MatchesThePlainDefinitionBitForBit) {
  const Segment cases[] = {
      {{220.51f, -300, -44.7f}, {220.51f, -298.5f, -44.7f}, 24, 23.97f},  // leg foot
      {{0, 7.9f, 0}, {0, 8, 0}, 240.3f, 239.9f},                          // rim, rising
      {{0, -11.9f, 0}, {0, -12, 0}, 200.1f, 201},                         // rim, falling
      {{0, -2.01f, 0}, {0, -2, 0}, 200, 0},                               // glass top
      {{125, 0, 0}, {0, 0, 0}, 1, 1},                                     // cage spoke
      {{118.88f, 0, 38.63f}, {118.88f, 75, 38.63f}, 1, 1},                // cage bar
      {{101.13f, 150, 73.47f}, {118.88f, 150, 38.63f}, 1, 1},             // cage ring piece
      {{61.3f, 198.1f, 44.5f}, {60.9f, 198.4f, 44.3f}, 1, 1},             // dome rib piece
      {{0.001f, 224.99f, 0}, {0, 225, 0}, 1, 1},                          // rib at the apex
      {{-3, 1e-3f, 7}, {5, -2, 1e4f}, 0.5f, 3e3f},
      {{0, 0, 0}, {0, 0, 0}, 1, 1},  // no axis: every coordinate NaN
  };
  for (const Segment& s : cases) expect_same_as_plain_definition(s);

  // And a spread of arbitrary axes and radii, from a fixed seed.
  uint32_t seed = 12345;
  const auto next = [&seed](float scale) {
    seed = seed * 1664525u + 1013904223u;
    return scale * (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f);
  };
  for (int n = 0; n < 300; ++n) {
    const float scale = n % 3 == 0 ? 2 : n % 3 == 1 ? 300 : 1e4f;
    const Point3 base = {next(scale), next(scale), next(scale)};
    const Point3 top = {base.x + next(scale), base.y + next(scale), base.z + next(scale)};
    expect_same_as_plain_definition({base, top, std::fabs(next(scale)), std::fabs(next(scale))});
    if (HasFatalFailure()) return;
  }
}

}  // namespace
