// The swan: every tetrahedron closed and turned outward, the byte tables read as unsigned, the
// body's footing and the neck's place on the body.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "geometry/tetra.h"
#include "scene/swan.h"
#include "tests/geometry/tetra_probe.h"
#include "tests/geometry/tube_probe.h"

namespace {

constexpr double kDegree = M_PI / 180;

double angle_about_y_in_degrees(const Point3& p) {
  const double a = std::atan2(p.z, p.x) / kDegree;
  return a < 0 ? a + 360 : a;
}

TEST(Swan, EveryTetrahedronIsClosedAndTurnedOutward) {
  g_arena.count = 0;
  build_swan_body();
  const int tetrahedra = kSwanBodyTetrahedra + kSwanNeckPieces;
  ASSERT_EQ(tetrahedra, 343);
  ASSERT_EQ(g_arena.count, tetrahedra * kTetraVertices);  // 1,372 triangles
  ASSERT_EQ(g_arena.count, kSwanVertices);
  for (int t = 0; t < tetrahedra; ++t) {
    EXPECT_TRUE(tetrahedron_is_closed(t * kTetraVertices)) << "tetrahedron " << t;
    EXPECT_TRUE(tetrahedron_faces_outward(t * kTetraVertices)) << "tetrahedron " << t;
  }
}

// Each row's section centre (X, Y) carries the M corners of its sweeps: the bowl is a quarter
// circle from (24, 20) out to (74, 70), then the back climbs to about (38, 137) while drawing in.
TEST(Swan, BodyRowsClimbTheBowlThenTheBack) {
  g_arena.count = 0;
  build_swan_body();
  int first_tetrahedron = 0;
  for (int i = 0; i < kSwanBodyRows; ++i) {
    double x, y;
    if (i < 8) {
      x = 24 + 50 * std::sin(i * M_PI / 16);
      y = 20 + 50 * (1 - std::cos(i * M_PI / 16));
    } else {
      x = 54 + 20 * std::cos((i - 8) * M_PI / 10);
      y = 70 + 50 * (i - 8) / 6.0;
    }
    const Point3 m = position_of(first_tetrahedron * kTetraVertices + 1);
    EXPECT_NEAR(std::hypot(m.x, m.z), x, 1e-3) << "row " << i;
    EXPECT_NEAR(m.y, y, 1e-3) << "row " << i;
    for (uint8_t count : kBodySectorCounts[i]) first_tetrahedron += count;
  }
}

// Row 0 sweeps from 4 to 244 steps, 6 to 366 degrees: read as a signed byte, 244 would be -12 and
// the row would turn backwards.
TEST(Swan, LowestRowIsAFullRingOnTheFloorStartingAtSixDegrees) {
  g_arena.count = 0;
  build_swan_body();
  constexpr int kRowZeroTetrahedra = 30;
  const Point3 first_m = position_of(1), first_r0 = position_of(2);
  const Point3 last_r1 = position_of((kRowZeroTetrahedra - 1) * kTetraVertices + 4);
  EXPECT_NEAR(angle_about_y_in_degrees(first_r0), 6, 1e-3);
  EXPECT_NEAR(angle_about_y_in_degrees(first_m), 12, 1e-3);
  EXPECT_LT(distance(last_r1, first_r0), 1e-3);

  // Row 0's section corner N = (24, 0) is the body's lowest point: the swan stands on y = 0.
  float lowest = 1e9f;
  for (int32_t i = 0; i < g_arena.count; ++i) lowest = std::min(lowest, position_of(i).y);
  EXPECT_EQ(lowest, 0.0f);
  const Point3 first_n = position_of(0);
  EXPECT_EQ(first_n.y, 0.0f);
  EXPECT_NEAR(std::hypot(first_n.x, first_n.z), 24, 1e-4);
}

// Every body sector spans 8 steps, 12 degrees, and starts where the one before it in its sweep
// ended: measured from the arena, so a wrong byte in either table shows as a sector that is too
// wide, too narrow or out of place. Each tetrahedron's rim corners R0 and R1 (records 2 and 4)
// sit at the sector's two edge angles.
TEST(Swan, EveryBodySectorSpansTwelveDegreesNextToTheOneBefore) {
  g_arena.count = 0;
  build_swan_body();
  constexpr double kSectorDegrees = 12;
  int first = 0;
  for (int i = 0; i < kSwanBodyRows; ++i) {
    for (int j = 0; j < kSwanSweepsPerRow; ++j) {
      const int count = kBodySectorCounts[i][j];
      for (int k = 0; k < count; ++k) {
        const int32_t t = (first + k) * kTetraVertices;
        const double from = angle_about_y_in_degrees(position_of(t + 2));
        const double to = angle_about_y_in_degrees(position_of(t + 4));
        const double span = std::fmod(to - from + 360, 360);
        EXPECT_NEAR(std::min(span, 360 - span), kSectorDegrees, 1e-3)
            << "row " << i << " sweep " << j << " sector " << k;
        if (k > 0) {
          EXPECT_LT(distance(position_of(t + 2), position_of(t - kTetraVertices + 4)), 1e-3)
              << "row " << i << " sweep " << j << " sector " << k << " does not follow on";
        }
      }
      first += count;
    }
  }
}

// Neck piece 0 tilts by 227 steps, 340.5 degrees; read as a signed byte it would be -43.5. Its
// sine is negative and its cosine positive, so the expectations also tell one from the other.
TEST(Swan, NeckPiecesFollowTheUnsignedTilts) {
  g_arena.count = 0;
  build_swan_neck(45, 32.5f, 0);
  ASSERT_EQ(g_arena.count, kSwanNeckPieces * kTetraVertices);
  // emit_tetrahedron(W, V, X, Y): the first face is (W, V, X), the second (W, Y, V).
  const Point3 w = position_of(0), v = position_of(1), x = position_of(2), y = position_of(4);
  const double alpha = 340.5 * kDegree;
  EXPECT_NEAR(v.x, 53, 1e-5);
  EXPECT_NEAR(v.y, 32.5, 1e-5);
  EXPECT_NEAR(w.x, 53 + 20 * std::sin(alpha), 1e-4);
  EXPECT_NEAR(w.y, 32.5 - 20 * std::cos(alpha), 1e-4);
  EXPECT_NEAR(x.x, 53 + 20 * std::cos(alpha), 1e-4);
  EXPECT_NEAR(x.y, 32.5 + 20 * std::sin(alpha), 1e-4);
  EXPECT_NEAR(x.z, -8, 1e-5);  // half the neck's thickness at its base
  EXPECT_NEAR(y.z, 8, 1e-5);

  // The head: the last piece's spine point, and its half thickness down to 2.25.
  const int32_t head = (kSwanNeckPieces - 1) * kTetraVertices;
  EXPECT_NEAR(position_of(head + 1).x, 90, 1e-5);
  EXPECT_NEAR(position_of(head + 1).y, 189.5, 1e-5);
  EXPECT_NEAR(position_of(head + 4).z, 2.25, 1e-5);
}

TEST(Swan, BodyEndsWithTheNeckAtItsPlace) {
  g_arena.count = 0;
  build_swan_body();
  const int32_t neck_first = kSwanBodyTetrahedra * kTetraVertices;
  ASSERT_EQ(g_arena.count - neck_first, kSwanNeckPieces * kTetraVertices);
  build_swan_neck(45, 32.5f, 0);
  const size_t neck_bytes = kSwanNeckPieces * kTetraVertices * sizeof(Vertex);
  EXPECT_EQ(
      std::memcmp(&g_arena.vertices[neck_first],
                  &g_arena.vertices[g_arena.count - kSwanNeckPieces * kTetraVertices], neck_bytes),
      0);
}

}  // namespace
