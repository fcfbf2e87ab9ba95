// The doily grid: written straight over the start of the arena, drawn as quads by the frame.
#include "scene/doily.h"

ArenaRange build_doily_piece(int32_t first, int32_t rows) {
  // One sequential pass over each array, no checks inside the loops: the static_asserts in the
  // header keep the whole grid, and so any piece of it, inside the arena.
  const int32_t vertex_rows = rows + 1;
  Vertex* v = g_arena.vertices;
  for (int32_t row = first; row < first + vertex_rows; ++row) {
    const float x = static_cast<float>(row);
    for (int32_t column = 0; column < kDoilyGridSize; ++column)
      *v++ = {1, 1, 1, 1, 0, 0, 0, x, static_cast<float>(column), 0};
  }

  // Corners (row, column), (row, column+1), (row+1, column+1), (row+1, column): counter-clockwise
  // seen from above once the vertex stage maps row to x and column to z.
  uint32_t* i = g_arena.indices;
  for (int32_t row = 0; row < rows; ++row) {
    uint32_t k = static_cast<uint32_t>(row * kDoilyGridSize);
    for (int32_t column = 0; column < kDoilyQuadsPerRow; ++column, ++k, i += 4) {
      i[0] = k;
      i[1] = k + 1;
      i[2] = k + 1 + kDoilyGridSize;
      i[3] = k + kDoilyGridSize;
    }
  }
  return {0, vertex_rows * kDoilyGridSize, 0, 4 * rows * kDoilyQuadsPerRow};
}

ArenaRange build_doily_grid() {
  return build_doily_piece(0, kDoilyQuadsPerRow);
}

DoilyFlatPoints g_doily_flat;

namespace {

// Whether the orbit from (x, y) leaves radius 4 at its first step, with room to spare:
// z^8 + z by three complex squarings, as the shader's w does it, in double precision.
bool escapes_at_once(double x, double y) {
  double ax = x, ay = y;
  for (int k = 0; k < 3; ++k) {
    const double re = ax * ax - ay * ay, im = 2 * ax * ay;
    ax = re;
    ay = im;
  }
  const double ex = ax + x, ey = ay + y;
  return ex * ex + ey * ey > 16 + kDoilyFlatMargin;
}

}  // namespace

void find_flat_doily_points() {
  for (uint64_t& word : g_doily_flat.words) word = 0;
  for (int32_t row = -1; row <= kDoilyGridSize; ++row)
    for (int32_t column = -1; column <= kDoilyGridSize; ++column) {
      const double zx = (row - kDoilyCentre) / double{kDoilyZoom};
      const double zy = (column - kDoilyCentre) / double{kDoilyZoom};
      bool flat = true;
      for (int j = 0; j < 5 && flat; ++j)
        flat = escapes_at_once(zx * kDoilyScales[j], zy * kDoilyScales[j]);
      const int32_t k = doily_padded_record(row, column);
      if (flat) g_doily_flat.words[k / 64] |= uint64_t{1} << (k % 64);
    }
  g_doily_flat.found = true;
}

ArenaRange build_doily_lit_quads(int32_t first, int32_t rows) {
  if (!g_doily_flat.found) find_flat_doily_points();
  uint32_t* i = g_arena.indices;
  for (int32_t row = 0; row < rows; ++row) {
    const int32_t grid_row = first + row;
    uint32_t k = static_cast<uint32_t>(doily_lit_record(row, 0));
    for (int32_t column = 0; column < kDoilyQuadsPerRow; ++column, ++k) {
      if (doily_quad_is_clear(grid_row, column)) continue;
      i[0] = k;
      i[1] = k + 1;
      i[2] = k + 1 + kDoilyPaddedSize;
      i[3] = k + kDoilyPaddedSize;
      i += 4;
    }
  }
  return {0, 0, 0, static_cast<int32_t>(i - g_arena.indices)};
}
