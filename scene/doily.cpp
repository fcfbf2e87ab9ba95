// The doily grid: written straight over the start of the arena and drawn as quads.
#include "scene/doily.h"

#include <GL/glew.h>

void fill_lace_grid() {
  // One sequential pass over each array, no checks inside the loops: the static_asserts in the
  // header keep both writes inside the arena.
  Vertex* v = g_arena.vertices;
  for (int32_t row = 0; row < kLaceGridSize; ++row) {
    const float x = static_cast<float>(row);
    for (int32_t column = 0; column < kLaceGridSize; ++column)
      *v++ = {1, 1, 1, 1, 0, 0, 0, x, static_cast<float>(column), 0};
  }

  // Corners (row, column), (row, column+1), (row+1, column+1), (row+1, column): counter-clockwise
  // seen from above once the vertex stage maps row to x and column to z.
  uint32_t* i = g_arena.indices;
  for (int32_t row = 0; row < kLaceQuadsPerRow; ++row) {
    uint32_t k = static_cast<uint32_t>(row * kLaceGridSize);
    for (int32_t column = 0; column < kLaceQuadsPerRow; ++column, ++k, i += 4) {
      i[0] = k;
      i[1] = k + 1;
      i[2] = k + 1 + kLaceGridSize;
      i[3] = k + kLaceGridSize;
    }
  }
}

void draw_lace_grid() {
  glDrawElements(GL_QUADS, kLaceIndexCount, GL_UNSIGNED_INT, g_arena.indices);
}
