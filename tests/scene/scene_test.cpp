// The frame's four solid passes in rank order over one arena: the vertex count after each, the
// index list they leave behind, and the pieces the frame builds them in.
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "geometry/tetra.h"
#include "geometry/tube.h"
#include "scene/cage.h"
#include "scene/doily.h"
#include "scene/swan.h"
#include "scene/table.h"

namespace {

void expect_triangles(const ArenaRange& r, int32_t first, int32_t count, const char* what) {
  EXPECT_EQ(r.first_vertex, first) << what;
  EXPECT_EQ(r.vertex_count, count) << what;
  EXPECT_EQ(r.first_index, first) << what;
  EXPECT_EQ(r.index_count, count) << what;
}

TEST(Scene, RunningCountAfterEachPassAndSequentialIndices) {
  g_arena.count = 0;
  expect_triangles(build_table(), 0, kTableVertices, "table");
  expect_triangles(build_glass_top(), kTableVertices, kGlassTopVertices, "glass top");
  int32_t end = kTableVertices + kGlassTopVertices;
  expect_triangles(build_swan_body(), end, kSwanVertices, "swan");
  end += kSwanVertices;
  expect_triangles(build_cage(), end, kCageVertices, "cage");
  ASSERT_EQ(g_arena.count, end + kCageVertices);
  ASSERT_EQ(g_arena.count, 6383316);

  for (int32_t i = 0; i < g_arena.count; ++i)
    ASSERT_EQ(g_arena.indices[i], static_cast<uint32_t>(i)) << "index entry " << i;
  EXPECT_EQ(g_arena.indices[g_arena.count], 0u) << "wrote past the write cursor";
  EXPECT_EQ(g_arena.vertices[g_arena.count].a, 0.0f) << "wrote past the write cursor";
}

// The frame builds the table, the cage and the doily in pieces, each from the start of the arena.
// Piece after piece, the records must be the whole object's, in order, with nothing left out or
// built twice at the pieces' seams, whatever the piece size.
TEST(Scene, PiecesFromTheArenaStartAddUpToTheWholeObject) {
  struct Object {
    const char* name;
    int32_t items;
    ArenaRange (*build)(int32_t first, int32_t count);
  };
  const Object objects[] = {{"table", kTableSegments, build_table_piece},
                            {"cage", kCageSegments, build_cage_piece}};
  for (const Object& object : objects) {
    g_arena.count = 0;
    const ArenaRange whole = object.build(0, object.items);
    const std::vector<Vertex> expected(g_arena.vertices, g_arena.vertices + whole.vertex_count);
    for (int32_t per_piece : {1, 7, 200, object.items - 1}) {
      int32_t done = 0, pieces = 0;
      for_each_piece(object.items, per_piece, [&](int32_t first, int32_t count) {
        const ArenaRange r = object.build(first, count);
        ASSERT_EQ(r.vertex_count, count * kTubeVertices) << object.name;
        ASSERT_EQ(r.first_vertex, 0);
        ASSERT_EQ(
            std::memcmp(&g_arena.vertices[0], &expected[done], sizeof(Vertex) * r.vertex_count), 0)
            << object.name << ": piece " << pieces << " of " << per_piece << " segments";
        done += r.vertex_count;
        ++pieces;
      });
      EXPECT_EQ(done, whole.vertex_count) << object.name << " in pieces of " << per_piece;
    }
  }

  // The doily: each piece's quads name its own records, which hold the grid vertices of its rows.
  g_arena.count = 0;
  build_doily_grid();
  const std::vector<uint32_t> quads(g_arena.indices, g_arena.indices + kDoilyIndexCount);
  for (int32_t rows_per_piece : {1, 250, 998}) {
    int32_t quads_done = 0;
    for_each_piece(kDoilyQuadsPerRow, rows_per_piece, [&](int32_t first, int32_t rows) {
      const ArenaRange r = build_doily_piece(first, rows);
      ASSERT_EQ(r.vertex_count, (rows + 1) * kDoilyGridSize);
      ASSERT_EQ(r.index_count, 4 * rows * kDoilyQuadsPerRow);
      for (int32_t e = 0; e < r.index_count; ++e) {
        const Vertex& v = g_arena.vertices[g_arena.indices[e]];
        const uint32_t k = quads[quads_done + e];  // the whole grid's record for this corner
        ASSERT_EQ(v.x, float(k / kDoilyGridSize)) << "piece at row " << first << ", entry " << e;
        ASSERT_EQ(v.y, float(k % kDoilyGridSize)) << "piece at row " << first << ", entry " << e;
      }
      quads_done += r.index_count;
    });
    EXPECT_EQ(quads_done, kDoilyIndexCount) << "in pieces of " << rows_per_piece << " rows";
  }
}

}  // namespace
