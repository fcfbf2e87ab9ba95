// The doily: a flat 1000 x 1000 grid that the doily program's vertex stage lifts into the fractal
// lace, with its normals, colour and alpha.
//
// Owns: the grid's layout (vertex records 0 .. 999,999, index entries 0 .. 3,992,003).
// May not: move the arena's write cursor (the grid lies over the window the triangle passes
// rewind to), bind a program, or draw; the frame's doily pass draws the range the builder returns.
#pragma once

#include <cstdint>

#include "geometry/arena.h"

// Rows and columns of grid vertices; record k = kDoilyGridSize * row + column.
constexpr int32_t kDoilyGridSize = 1000;
constexpr int32_t kDoilyGridVertices = kDoilyGridSize * kDoilyGridSize;
// One quad between each pair of neighbouring rows and columns.
constexpr int32_t kDoilyQuadsPerRow = kDoilyGridSize - 1;
constexpr int32_t kDoilyQuadCount = kDoilyQuadsPerRow * kDoilyQuadsPerRow;  // 998,001
constexpr int32_t kDoilyIndexCount = 4 * kDoilyQuadCount;                   // 3,992,004

static_assert(kDoilyGridVertices <= kArenaVertexCapacity, "the grid must fit the vertex array");
static_assert(kDoilyIndexCount <= kArenaIndexCapacity, "the grid must fit the index array");

// Writes the grid over the start of the arena: record k gets colour (1, 1, 1, 1), the zero normal
// (which tells the vertex stage to compute the surface) and position (row, column, 0); index
// entries 4q .. 4q+3 get quad q's corners k, k+1, k+1001, k+1000, quads in row-major order.
// The write cursor is left as it is. Returns the grid's records and its quads' index entries.
ArenaRange build_doily_grid();
