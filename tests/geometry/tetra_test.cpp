// Tetrahedra and ring sweeps: face order and closure, the sweep's angles and direction, and empty
// sweeps.
#include <cmath>

#include <gtest/gtest.h>

#include "geometry/tetra.h"
#include "tests/geometry/tetra_probe.h"
#include "tests/geometry/tube_probe.h"

namespace {

constexpr double kStep = M_PI / 120;  // one sweep step, 1.5 degrees

TEST(Tetrahedron, EmitsItsFourFacesInOrderTurnedOutwardForRightHandedPoints) {
  g_arena.count = 0;
  // p4 above the plane of (p1, p2, p3), which runs clockwise seen from above.
  const Point3 p1 = {0, 0, 0}, p2 = {1, 0, 0}, p3 = {0, 0, 1}, p4 = {0.2f, 1, 0.3f};
  emit_tetrahedron(p1, p2, p3, p4);
  ASSERT_EQ(g_arena.count, kTetraVertices);
  const Point3 expected[12] = {p1, p2, p3, p1, p4, p2, p1, p3, p4, p2, p4, p3};
  for (int i = 0; i < 12; ++i) {
    const Point3 p = position_of(i);
    EXPECT_TRUE(p.x == expected[i].x && p.y == expected[i].y && p.z == expected[i].z)
        << "record " << i;
  }
  EXPECT_TRUE(tetrahedron_is_closed(0));
  EXPECT_TRUE(tetrahedron_faces_outward(0));
  EXPECT_FLOAT_EQ(normal_of(0).y, -1);  // the bottom face looks down

  // Mirrored points turn every face inward.
  emit_tetrahedron(p1, p3, p2, p4);
  EXPECT_TRUE(tetrahedron_is_closed(12));
  EXPECT_TRUE(tetrahedron_faces_inward(12));
}

// One sector from 0 to 60 degrees: M and N on its middle, 30 degrees, which tells cosine from sine
// (and x from z); R0 and R1 on its edges. emit_tetrahedron(N, M, R0, R1) writes its first face
// (N, M, R0) and then (N, R1, M).
TEST(TetraSweep, SectorPointsStandAtTheirAngles) {
  g_arena.count = 0;
  sweep_tetra_ring(30, 5, 34, 1, 36, 9, 1, 0, 40);
  ASSERT_EQ(g_arena.count, kTetraVertices);
  const Point3 n = position_of(0), m = position_of(1), r0 = position_of(2), r1 = position_of(4);
  const double half = std::sqrt(3.0) / 2;
  EXPECT_NEAR(m.x, 30 * half, 1e-4);
  EXPECT_NEAR(m.z, 15, 1e-4);
  EXPECT_EQ(m.y, 5);
  EXPECT_NEAR(n.x, 34 * half, 1e-4);
  EXPECT_NEAR(n.z, 17, 1e-4);
  EXPECT_EQ(n.y, 1);
  EXPECT_NEAR(r0.x, 36, 1e-4);
  EXPECT_NEAR(r0.z, 0, 1e-4);
  EXPECT_NEAR(r1.x, 18, 1e-4);
  EXPECT_NEAR(r1.z, 36 * half, 1e-4);
  EXPECT_EQ(r1.y, 9);
  EXPECT_TRUE(tetrahedron_is_closed(0));
}

TEST(TetraSweep, EndBelowStartSweepsTheOtherWay) {
  g_arena.count = 0;
  sweep_tetra_ring(10, 0, 12, -2, 13, 2, 2, 64, 0);  // 96 degrees back to 0, two sectors
  ASSERT_EQ(g_arena.count, 2 * kTetraVertices);
  const double expected_mid[2] = {48 * kStep, 16 * kStep};  // 72 and 24 degrees
  for (int k = 0; k < 2; ++k) {
    const Point3 m = position_of(k * kTetraVertices + 1);
    EXPECT_NEAR(m.x, 10 * std::cos(expected_mid[k]), 1e-4) << "sector " << k;
    EXPECT_NEAR(m.z, 10 * std::sin(expected_mid[k]), 1e-4) << "sector " << k;
    EXPECT_TRUE(tetrahedron_is_closed(k * kTetraVertices));
  }
  const Point3 r1_last = position_of(kTetraVertices + 4);
  EXPECT_NEAR(r1_last.x, 13, 1e-4);
  EXPECT_NEAR(r1_last.z, 0, 1e-4);
}

TEST(TetraSweep, NoSectorsEmitNothing) {
  g_arena.count = 0;
  g_arena.vertices[0] = {};
  g_arena.indices[1] = 0;
  sweep_tetra_ring(10, 0, 12, -2, 13, 2, 0, 0, 240);
  sweep_tetra_ring(10, 0, 12, -2, 13, 2, -3, 0, 240);
  EXPECT_EQ(g_arena.count, 0);
  EXPECT_EQ(g_arena.vertices[0].a, 0.0f);
  EXPECT_EQ(g_arena.indices[1], 0u);
}

}  // namespace
