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

ArenaRange build_doily_lit_quads(int32_t first, int32_t rows) {
  uint32_t* i = g_arena.indices;
  for (int32_t row = 0; row < rows; ++row) {
    const int32_t grid_row = first + row;
    uint32_t k = static_cast<uint32_t>(doily_lit_record(row, 0));
    for (int32_t column = 0; column < kDoilyQuadsPerRow; ++column, ++k) {
      if (doily_point_is_flat(grid_row, column) && doily_point_is_flat(grid_row, column + 1) &&
          doily_point_is_flat(grid_row + 1, column + 1) &&
          doily_point_is_flat(grid_row + 1, column))
        continue;
      i[0] = k;
      i[1] = k + 1;
      i[2] = k + 1 + kDoilyPaddedSize;
      i[3] = k + kDoilyPaddedSize;
      i += 4;
    }
  }
  return {0, 0, 0, static_cast<int32_t>(i - g_arena.indices)};
}
