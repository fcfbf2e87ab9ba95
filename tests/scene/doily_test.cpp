// The doily grid on the CPU: what the build writes and leaves alone, how its quads wind and line up
// with the triangle passes, and the reference evaluation of the surface against facts measured
// over the whole grid.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "geometry/arena.h"
#include "scene/doily.h"
#include "tests/scene/doily_reference.h"

namespace {

constexpr uint32_t kCornerOffsets[4] = {0, 1, kDoilyGridSize + 1, kDoilyGridSize};

TEST(DoilyGrid, BuildOverwritesTheArenaStartAndLeavesTheRestAlone) {
  // Earlier passes' triangles, then junk over everything the grid will cover and a little more.
  emit_triangle({1, 2, 3}, {4, 5, 6}, {7, 8, 10});
  std::memset(g_arena.vertices, 0x5a, sizeof(Vertex) * (kDoilyGridVertices + 1));
  std::memset(g_arena.indices, 0x5a, sizeof(uint32_t) * (kDoilyIndexCount + 1));
  g_arena.count = 1435200;
  const Vertex after_grid = g_arena.vertices[kDoilyGridVertices];
  const uint32_t after_quads = g_arena.indices[kDoilyIndexCount];

  build_doily_grid();

  EXPECT_EQ(g_arena.count, 1435200);
  EXPECT_EQ(std::memcmp(&g_arena.vertices[kDoilyGridVertices], &after_grid, sizeof(Vertex)), 0);
  EXPECT_EQ(g_arena.indices[kDoilyIndexCount], after_quads);
  int bad_records = 0;
  for (int k = 0; k < kDoilyGridVertices; ++k) {
    const Vertex& v = g_arena.vertices[k];
    const Vertex want = {1, 1, 1, 1, 0, 0, 0, float(k / 1000), float(k % 1000), 0};
    if (std::memcmp(&v, &want, sizeof(Vertex)) != 0 && ++bad_records <= 5)
      ADD_FAILURE() << "record " << k << " holds position (" << v.x << ", " << v.y << ", " << v.z
                    << ")";
  }
  EXPECT_EQ(bad_records, 0);
  int bad_entries = 0;
  for (int e = 0; e < kDoilyIndexCount; ++e) {
    const int quad = e / 4, row = quad / 999, column = quad % 999;
    const uint32_t want = uint32_t(1000 * row + column) + kCornerOffsets[e % 4];
    if (g_arena.indices[e] != want && ++bad_entries <= 5)
      ADD_FAILURE() << "entry " << e << " holds " << g_arena.indices[e] << ", expected " << want;
  }
  EXPECT_EQ(bad_entries, 0);
}

// The vertex stage maps row to x and column to z; seen from above (+Y) every quad then runs
// counter-clockwise, and the grid spans -187.5 .. 187.125 on both axes.
TEST(DoilyGrid, MappedQuadsWindCounterClockwiseFromAboveAndSpanTheSquare) {
  build_doily_grid();
  const std::array<uint8_t, 5> any_orbits = {0, 0, 0, 0, 0};  // x and z do not depend on them
  auto mapped = [&](uint32_t k) {
    const Vertex& v = g_arena.vertices[k];
    const DoilySample s = doily_sample(v.x, v.y, any_orbits, kShaderRules);
    return std::array<float, 2>{s.position[0], s.position[2]};
  };
  int clockwise = 0;
  float lo = 1e9f, hi = -1e9f;
  for (int q = 0; q < kDoilyQuadCount; ++q) {
    std::array<float, 2> p[4];
    for (int c = 0; c < 4; ++c) p[c] = mapped(g_arena.indices[4 * q + c]);
    // The Y component of the polygon's normal (x, z, with y = z x x): positive when it faces up.
    float up = 0;
    for (int c = 0; c < 4; ++c) {
      const std::array<float, 2>&a = p[c], &b = p[(c + 1) % 4];
      up += a[1] * b[0] - a[0] * b[1];
    }
    if (!(up > 0)) ++clockwise;
    for (const auto& corner : p) {
      lo = std::min({lo, corner[0], corner[1]});
      hi = std::max({hi, corner[0], corner[1]});
    }
  }
  EXPECT_EQ(clockwise, 0);
  EXPECT_EQ(lo, -187.5f);
  EXPECT_EQ(hi, 187.125f);
}

TEST(DoilyReference, EscapeTimeOfHandCheckedOrbits) {
  EXPECT_EQ(escape_step(0, 0), kNeverEscapes);   // 0 is a fixed point
  EXPECT_EQ(escape_step(1, 0), 1);               // 1 -> 2 -> 258
  EXPECT_EQ(escape_step(-1, 0), kNeverEscapes);  // -1 -> 0, then stays
  EXPECT_EQ(escape_step(0, 1.5f), 0);            // |1.5^8| = 25.6 already
  // The test is on the length, |z| > 4: z = 1.1 reaches 3.24 at step 0, outside radius 2 but
  // inside radius 4, and leaves at step 1.
  EXPECT_EQ(escape_step(1.1f, 0), 1);
}

// The escape test in the shader compares the squared length with the float just above 16 instead
// of taking a square root. Every float whose root can round to either side of 4 lies in [8, 32).
TEST(DoilyReference, SquaredEscapeTestAgreesWithTheRootForEveryFloatNearTheBoundary) {
  const float threshold = 16.000002f;
  ASSERT_EQ(threshold, std::nextafter(16.0f, 32.0f));
  long disagreements = 0;
  for (float d = 8.0f; d < 32.0f; d = std::nextafter(d, 64.0f))
    if ((std::sqrt(d) > 4.0f) != (d > threshold)) ++disagreements;
  EXPECT_EQ(disagreements, 0);
  // A plain comparison with 16 would not do: its one disagreement is the float just above 16.
  EXPECT_FALSE(std::sqrt(threshold) > 4.0f);
}

// A corner of the grid: all five orbits leave at the first step, so the sums are zero, the point
// lies flat at the glass level and its colour and alpha are zero.
TEST(DoilyReference, PointsEscapingAtOnceLieFlatAndTransparent) {
  const std::array<uint8_t, 5> orbits = doily_orbits(0, 0);
  for (uint8_t step : orbits) EXPECT_EQ(step, 0);
  const DoilySample s = doily_sample(0, 0, orbits, kShaderRules);
  EXPECT_EQ(s.sum_x, 0.0f);
  EXPECT_EQ(s.sum_y, 0.0f);
  EXPECT_EQ(s.position[1], -2.0f);
  for (float c : s.colour) EXPECT_EQ(c, 0.0f);
}

// Every point the lit quads count as flat is flat by the reference: its five orbits escape at
// once, so it lies at the glass level with zero colour and alpha. Checked over the whole padded
// grid, whose border points light the grid's edge vertices. The search's margin may leave out a
// few points that do escape at once, never many.
TEST(DoilyLitQuads, PointsCountedFlatEscapeAtOnceAndLieFlatAndTransparent) {
  find_flat_doily_points();
  int flat = 0, at_once = 0, wrong = 0;
  for (int row = -1; row <= kDoilyGridSize; ++row)
    for (int column = -1; column <= kDoilyGridSize; ++column) {
      const std::array<uint8_t, 5> orbits = doily_orbits(float(row), float(column));
      const bool escapes_at_once =
          std::all_of(orbits.begin(), orbits.end(), [](uint8_t step) { return step == 0; });
      at_once += escapes_at_once;
      if (!doily_point_is_flat(row, column)) continue;
      ++flat;
      const DoilySample s = doily_sample(float(row), float(column), orbits, kShaderRules);
      const bool transparent = s.colour[0] == 0 && s.colour[1] == 0 && s.colour[2] == 0 &&
                               s.colour[3] == 0 && s.position[1] == -2.0f;
      if ((!escapes_at_once || !transparent) && ++wrong <= 3)
        ADD_FAILURE() << "point (" << row << ", " << column << ") is counted flat but has alpha "
                      << s.colour[3] << " at height " << s.position[1];
    }
  std::printf("%d of %d padded grid points counted flat; %d escape at once\n", flat,
              kDoilyPaddedPoints, at_once);
  EXPECT_EQ(wrong, 0);
  EXPECT_GE(flat, at_once - at_once / 100) << "the search leaves out more than 1 % of them";
}

// Built in pieces as the frame builds them, the lit quads are those of one whole build, in
// row-major order, each with its corners in build_doily_piece's order; every quad left out is, by
// the reference, flat at the glass with zero alpha at all four corners, so it would have drawn
// nothing. About a quarter of the quads are left out.
TEST(DoilyLitQuads, PiecesLeaveOutOnlyQuadsThatWouldDrawNothing) {
  using Quad = std::array<int32_t, 2>;  // (row, column)
  const auto lit_quads = [](int32_t per_piece, int* bad_corners) {
    std::vector<Quad> quads;
    for_each_piece(kDoilyQuadsPerRow, per_piece, [&](int32_t first, int32_t rows) {
      const ArenaRange written = build_doily_lit_quads(first, rows);
      EXPECT_EQ(written.first_index, 0);
      EXPECT_EQ(written.index_count % 4, 0);
      EXPECT_LE(written.index_count, 4 * rows * kDoilyQuadsPerRow);
      for (int32_t q = 0; q < written.index_count; q += 4) {
        const uint32_t* i = &g_arena.indices[q];
        const int32_t piece_row = int32_t(i[0]) / kDoilyPaddedSize;
        const int32_t column = int32_t(i[0]) % kDoilyPaddedSize - 1;
        *bad_corners += i[1] != i[0] + 1 || i[2] != i[0] + 1 + kDoilyPaddedSize ||
                        i[3] != i[0] + kDoilyPaddedSize ||
                        i[0] != uint32_t(doily_lit_record(piece_row, column));
        quads.push_back({first + piece_row, column});
      }
    });
    return quads;
  };
  int bad_corners = 0;
  const std::vector<Quad> whole = lit_quads(kDoilyQuadsPerRow, &bad_corners);
  for (int32_t per_piece : {25, 7})
    EXPECT_TRUE(lit_quads(per_piece, &bad_corners) == whole) << "pieces of " << per_piece;
  EXPECT_EQ(bad_corners, 0);
  EXPECT_EQ(g_arena.count, 0) << "the write cursor moved";

  const DoilySurface surface = evaluate_doily_surface(evaluate_doily_orbits(), kShaderRules);
  std::vector<bool> drawn(kDoilyQuadCount, false);
  for (const Quad& q : whole) drawn[q[0] * kDoilyQuadsPerRow + q[1]] = true;
  int left_out = 0, visible = 0;
  for (int32_t row = 0; row < kDoilyQuadsPerRow; ++row)
    for (int32_t column = 0; column < kDoilyQuadsPerRow; ++column) {
      if (drawn[row * kDoilyQuadsPerRow + column]) continue;
      ++left_out;
      bool nothing = true;
      for (int32_t r = row; r <= row + 1; ++r)
        for (int32_t c = column; c <= column + 1; ++c) {
          const DoilyVertex v = doily_vertex(surface, r, c);
          nothing = nothing && v.position[1] == -2.0f && v.colour[3] == 0.0f;
        }
      if (!nothing && ++visible <= 3)
        ADD_FAILURE() << "quad (" << row << ", " << column << ") is left out but would draw";
    }
  std::printf("%d of %d quads left out\n", left_out, kDoilyQuadCount);
  EXPECT_EQ(visible, 0);
  EXPECT_GT(left_out, kDoilyQuadCount / 4);
}

// Facts measured over the million grid vertices, and what they mean for the shader's choices: an
// orbit that never escapes counts as (64, 1), and the height clamps negative sums to zero.
TEST(DoilyReference, WholeGridAgreesWithMeasuredFacts) {
  const DoilyOrbitField field = evaluate_doily_orbits();
  int scale_one_bounded = 0, all_escape = 0, negative = 0;
  float escaping_lo = 1e9f, escaping_hi = -1e9f, lo = 1e9f, hi = -1e9f;
  const DoilySurface surface = evaluate_doily_surface(field, kShaderRules);
  for (int row = 0; row < kDoilyGridSize; ++row)
    for (int column = 0; column < kDoilyGridSize; ++column) {
      const std::array<uint8_t, 5>& o = field.at(row, column);
      const float sum = surface.at(row, column).sum_x;
      scale_one_bounded += o[0] == kNeverEscapes;
      if (std::count(o.begin(), o.end(), kNeverEscapes) == 0) {
        ++all_escape;
        escaping_lo = std::min(escaping_lo, sum);
        escaping_hi = std::max(escaping_hi, sum);
      }
      lo = std::min(lo, sum);
      hi = std::max(hi, sum);
      negative += sum < 0;
    }
  EXPECT_EQ(scale_one_bounded, 401158);
  EXPECT_GT(all_escape, 0);
  EXPECT_EQ(escaping_lo, 0.0f);
  EXPECT_EQ(escaping_hi, 59.0f);
  EXPECT_EQ(lo, -54.0f);
  EXPECT_EQ(hi, 124.0f);
  EXPECT_EQ(negative, 126);

  auto non_finite_vertices = [](const DoilySurface& s) {
    int count = 0;
    for (int row = 0; row < kDoilyGridSize; ++row)
      for (int column = 0; column < kDoilyGridSize; ++column) {
        const DoilyVertex v = doily_vertex(s, row, column);
        bool finite = true;
        for (int k = 0; k < 3; ++k)
          finite = finite && std::isfinite(v.position[k]) && std::isfinite(v.normal[k]);
        for (int k = 0; k < 4; ++k) finite = finite && std::isfinite(v.colour[k]);
        count += !finite;
      }
    return count;
  };
  // Without the clamp the 126 negative sums give NaN heights, which reach 386 vertices through
  // their own position or a neighbour's normal; with it, every vertex is finite.
  EXPECT_EQ(non_finite_vertices(evaluate_doily_surface(field, {64.0f, 1.0f, false})), 386);
  EXPECT_EQ(non_finite_vertices(surface), 0);

  // Counting a bounded orbit as (0, 0) instead makes the alternating sum negative over a large
  // part of the grid.
  const DoilySurface zero = evaluate_doily_surface(field, {0.0f, 0.0f, true});
  int zero_negative = 0;
  for (int row = 0; row < kDoilyGridSize; ++row)
    for (int column = 0; column < kDoilyGridSize; ++column)
      zero_negative += zero.at(row, column).sum_x < 0;
  EXPECT_GT(zero_negative, 100000);
}

}  // namespace
