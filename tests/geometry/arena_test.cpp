// The triangle emitter: facet normals and winding, sequential indices, the running count, and the
// capacity check. Each test runs in its own process (ctest), so each starts with an empty arena.
#include <algorithm>
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "geometry/arena.h"

namespace {

void expect_normal(int vertex, float x, float y, float z) {
  const Vertex& v = g_arena.vertices[vertex];
  EXPECT_FLOAT_EQ(v.nx, x) << "vertex " << vertex;
  EXPECT_FLOAT_EQ(v.ny, y) << "vertex " << vertex;
  EXPECT_FLOAT_EQ(v.nz, z) << "vertex " << vertex;
}

TEST(EmitTriangle, NormalFollowsWindingAndEveryVertexIsItsOwn) {
  g_arena.count = 0;
  const Point3 a{0, 0, 0}, b{2, 0, 0}, c{0, 3, 0};  // counter-clockwise seen from +Z
  emit_triangle(a, b, c);
  emit_triangle(a, c, b);
  ASSERT_EQ(g_arena.count, 6);
  for (int k = 0; k < 3; ++k) expect_normal(k, 0, 0, 1);
  for (int k = 3; k < 6; ++k) expect_normal(k, 0, 0, -1);
  const Point3 expected[6] = {a, b, c, a, c, b};
  for (int k = 0; k < 6; ++k) {
    const Vertex& v = g_arena.vertices[k];
    EXPECT_EQ(g_arena.indices[k], static_cast<uint32_t>(k));
    EXPECT_EQ(v.x, expected[k].x);
    EXPECT_EQ(v.y, expected[k].y);
    EXPECT_EQ(v.z, expected[k].z);
    EXPECT_EQ(v.r, 1.0f);
    EXPECT_EQ(v.g, 1.0f);
    EXPECT_EQ(v.b, 1.0f);
    EXPECT_EQ(v.a, 1.0f);
  }
}

TEST(EmitTriangle, TiltedTriangleGetsUnitFacetNormal) {
  g_arena.count = 0;
  emit_triangle({1, 2, 3}, {4, 6, 3}, {1, 2, 8});
  // (3,4,0) x (0,0,5) = (20,-15,0), length 25.
  for (int k = 0; k < 3; ++k) expect_normal(k, 0.8f, -0.6f, 0.0f);
}

TEST(EmitTriangle, CountAndIndicesStaySequentialOverManyCalls) {
  g_arena.count = 0;
  constexpr int kCalls = 1000;
  g_arena.vertices[3 * kCalls] = {};  // whatever an earlier test left there
  for (int t = 0; t < kCalls; ++t) {
    const float s = static_cast<float>(t);
    emit_triangle({s, 0, 0}, {s + 1, 0, 0}, {s, 1, 0});
  }
  ASSERT_EQ(g_arena.count, 3 * kCalls);
  for (int i = 0; i < 3 * kCalls; ++i) ASSERT_EQ(g_arena.indices[i], static_cast<uint32_t>(i));
  EXPECT_EQ(g_arena.vertices[3 * kCalls].a, 0.0f) << "wrote past the running count";
}

TEST(EmitTriangle, DegenerateTriangleHasNonFiniteNormal) {
  g_arena.count = 0;
  emit_triangle({1, 1, 1}, {2, 2, 2}, {3, 3, 3});
  EXPECT_FALSE(std::isfinite(g_arena.vertices[0].nx));
  EXPECT_EQ(g_arena.count, 3);
}

using EmitTriangleDeathTest = ::testing::Test;

// Mapping the span ahead may run while nothing else uses the arena, but it must never change a
// record or an index entry: every byte of the span, written first, reads back the same.
TEST(ArenaSpan, MappingLeavesEveryRecordAndIndexEntryAsItWas) {
  constexpr int32_t kRecords = 30000;  // 1.2 MB of records: a few hundred pages, two huge ones
  const size_t record_bytes = sizeof(Vertex) * kRecords, index_bytes = sizeof(uint32_t) * kRecords;
  std::memset(g_arena.vertices, 0xa5, record_bytes);
  std::memset(g_arena.indices, 0x5a, index_bytes);
  map_arena_span(kRecords);
  const auto* records = reinterpret_cast<const unsigned char*>(g_arena.vertices);
  const auto* indices = reinterpret_cast<const unsigned char*>(g_arena.indices);
  EXPECT_EQ(std::count(records, records + record_bytes, 0xa5), std::ptrdiff_t(record_bytes));
  EXPECT_EQ(std::count(indices, indices + index_bytes, 0x5a), std::ptrdiff_t(index_bytes));
}

TEST(EmitTriangleDeathTest, PassingCapacityAbortsWithTheNumbers) {
  g_arena.count = kArenaVertexCapacity - 3;
  emit_triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});  // exactly fills the arena
  EXPECT_EQ(g_arena.count, kArenaVertexCapacity);
  EXPECT_DEATH(emit_triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}),
               "verts > MAX \\(8000003 > 8000000\\)");
}

}  // namespace
