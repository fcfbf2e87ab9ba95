// The frame's four solid passes in rank order over one arena: the running count after each and
// the index list they leave behind.
#include <cstdint>

#include <gtest/gtest.h>

#include "geometry/tetra.h"
#include "geometry/tube.h"
#include "scene/cage.h"
#include "scene/swan.h"
#include "scene/table.h"

namespace {

TEST(Picture, RunningCountAfterEachPassAndSequentialIndices) {
  int swan_tetrahedra = kSwanNeckPieces;
  for (const auto& row : kBodySectorCounts)
    for (uint8_t count : row) swan_tetrahedra += count;
  const int32_t table = (kTableLegs * 199 + 200) * kTubeVertices;
  const int32_t glass = kTubeVertices;
  const int32_t swan = swan_tetrahedra * kTetraVertices;
  const int32_t cage = (20 * 4 + 20 * 2 + 20 * 200) * kTubeVertices;

  g_arena.count = 0;
  build_table();
  EXPECT_EQ(g_arena.count, table);
  EXPECT_EQ(g_arena.count, 1434000);
  build_glass_top();
  EXPECT_EQ(g_arena.count, table + glass);
  EXPECT_EQ(g_arena.count, 1435200);
  build_swan_body();
  EXPECT_EQ(g_arena.count, table + glass + swan);
  EXPECT_EQ(g_arena.count, 1439316);
  build_cage();
  EXPECT_EQ(g_arena.count, table + glass + swan + cage);
  ASSERT_EQ(g_arena.count, 6383316);

  for (int32_t i = 0; i < g_arena.count; ++i)
    ASSERT_EQ(g_arena.indices[i], static_cast<uint32_t>(i)) << "index entry " << i;
  EXPECT_EQ(g_arena.indices[g_arena.count], 0u) << "wrote past the running count";
  EXPECT_EQ(g_arena.vertices[g_arena.count].a, 0.0f) << "wrote past the running count";
}

}  // namespace
