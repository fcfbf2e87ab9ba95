// Tetrahedra and ring sweeps: face order and closure, the sweep's angles and direction, and empty
// sweeps.
#include <cmath>
#include <map>
#include <tuple>

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

TEST(TetraSweep, FullTurnPlacesEachSectorsPointsAtItsAngles) {
  g_arena.count = 0;
  const float ra = 30, ya = 5, rb = 34, yb = 1, rc = 36, yc = 9;
  sweep_tetra_ring(ra, ya, rb, yb, rc, yc, 30, 0, 240);
  ASSERT_EQ(g_arena.count, 30 * kTetraVertices);
  for (int k = 0; k < 30; ++k) {
    const int32_t first = k * kTetraVertices;
    // emit_tetrahedron(N, M, R0, R1): its first face is (N, M, R0), its second (N, R1, M).
    const Point3 n = position_of(first), m = position_of(first + 1);
    const Point3 r0 = position_of(first + 2), r1 = position_of(first + 4);
    const double mid = (8 * k + 4) * kStep, edge0 = 8 * k * kStep, edge1 = (8 * k + 8) * kStep;
    const double tol = 1e-4;
    EXPECT_NEAR(m.x, ra * std::cos(mid), tol) << "sector " << k;
    EXPECT_NEAR(m.z, ra * std::sin(mid), tol) << "sector " << k;
    EXPECT_EQ(m.y, ya);
    EXPECT_NEAR(n.x, rb * std::cos(mid), tol) << "sector " << k;
    EXPECT_NEAR(n.z, rb * std::sin(mid), tol) << "sector " << k;
    EXPECT_EQ(n.y, yb);
    EXPECT_NEAR(r0.x, rc * std::cos(edge0), tol) << "sector " << k;
    EXPECT_NEAR(r0.z, rc * std::sin(edge0), tol) << "sector " << k;
    EXPECT_NEAR(r1.x, rc * std::cos(edge1), tol) << "sector " << k;
    EXPECT_NEAR(r1.z, rc * std::sin(edge1), tol) << "sector " << k;
    EXPECT_EQ(r0.y, yc);
    EXPECT_TRUE(tetrahedron_is_closed(first)) << "sector " << k;
  }
  // The last sector's rim edge ends where the first one's begins.
  EXPECT_LT(distance(position_of(29 * kTetraVertices + 4), position_of(2)), 1e-4);
}

// 30 degrees tells cosine from sine (and x from z): a swap would put M at (15, 0, 25.98).
TEST(TetraSweep, SingleSectorMidAngleIsHalfwayFromStartToEnd) {
  g_arena.count = 0;
  sweep_tetra_ring(30, 0, 31, 0, 32, 1, 1, 0, 40);  // 0 to 60 degrees, middle at 30
  const Point3 m = position_of(1);
  EXPECT_NEAR(m.x, 30 * std::sqrt(3.0) / 2, 1e-4);
  EXPECT_NEAR(m.z, 15, 1e-4);
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
