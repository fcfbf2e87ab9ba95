// The doily: a flat 1000 x 1000 grid that the doily program's vertex stage lifts into the fractal
// lace, with its normals, colour and alpha.
//
// Owns: the grid's layout, whole (vertex records 0 .. 999,999, index entries 0 .. 3,992,003) or
// in pieces of quad rows.
// May not: move the arena's write cursor (the grid lies over the span the triangle passes
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
// The triangle passes after the doily read its leftover index entries three at a time: each row of
// quads takes a multiple of three entries, so no such triangle spans two rows.
constexpr int32_t kDoilyIndexEntriesPerRow = 4 * kDoilyQuadsPerRow;  // 3,996
static_assert(kDoilyIndexEntriesPerRow % 3 == 0, "a row of quads must end on a whole triangle");

static_assert(kDoilyGridVertices <= kArenaVertexCapacity, "the grid must fit the vertex array");
static_assert(kDoilyIndexCount <= kArenaIndexCapacity, "the grid must fit the index array");

// Writes the quad rows first .. first + rows - 1 of the grid over the start of the arena: the
// rows + 1 rows of grid vertices they join, record k (counted from the piece's first vertex row)
// with colour (1, 1, 1, 1), the zero normal (which tells the vertex stage to compute the surface)
// and position (row, column, 0), then the quads' corners k, k+1, k+1001, k+1000, four index
// entries per quad, in row-major order. The write cursor is left as it is. Returns the piece's
// records and its quads' index entries. Pieces drawn in order draw what the whole grid draws.
ArenaRange build_doily_piece(int32_t first, int32_t rows);

// The whole grid: records 0 .. 999,999 and index entries 0 .. 3,992,003.
ArenaRange build_doily_grid();
