// The lace doily: a flat 1000 x 1000 grid that the doily program's vertex stage lifts into the
// fractal lace, with its normals, colour and alpha.
//
// Owns: the grid's layout (vertex records 0 .. 999,999, index entries 0 .. 3,992,003) and its one
// quad draw.
// May not: move the arena's running count (later passes append after what earlier passes wrote,
// not after the grid), bind a program, or touch any GL state besides issuing the draw.
#pragma once

#include <cstdint>

#include "geometry/arena.h"

// Rows and columns of grid vertices; record k = kLaceGridSize * row + column.
constexpr int32_t kLaceGridSize = 1000;
constexpr int32_t kLaceGridVertices = kLaceGridSize * kLaceGridSize;
// One quad between each pair of neighbouring rows and columns.
constexpr int32_t kLaceQuadsPerRow = kLaceGridSize - 1;
constexpr int32_t kLaceQuadCount = kLaceQuadsPerRow * kLaceQuadsPerRow;  // 998,001
constexpr int32_t kLaceIndexCount = 4 * kLaceQuadCount;                  // 3,992,004

static_assert(kLaceGridVertices <= kArenaVertexCapacity, "the grid must fit the vertex array");
static_assert(kLaceIndexCount <= kArenaIndexCapacity, "the grid must fit the index array");

// Writes the grid over the start of the arena: record k gets colour (1, 1, 1, 1), the zero normal
// (which tells the vertex stage to compute the surface) and position (row, column, 0); index
// entries 4q .. 4q+3 get quad q's corners k, k+1, k+1001, k+1000, quads in row-major order.
// The running count is left as it is.
void fill_lace_grid();

// One GL_QUADS draw of the grid's 3,992,004 index entries with whatever program is bound.
void draw_lace_grid();
