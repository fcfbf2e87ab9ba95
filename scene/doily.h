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

// Where the GL can capture vertices, the surface is worked out once for each point of a padded
// grid, the grid with a border of one point on every side (rows and columns -1 .. 1000), whose
// point (row, column) is record kDoilyPaddedSize * (row + 1) + column + 1. A grid vertex's normal
// then comes from the records of its four neighbours, whose own points they are, and its colour
// from the record of its neighbour (row, column - 1).
constexpr int32_t kDoilyPaddedSize = kDoilyGridSize + 2;
constexpr int32_t kDoilyPaddedPoints = kDoilyPaddedSize * kDoilyPaddedSize;  // 1,004,004

// The padded grid's record of point (row, column), row and column in -1 .. kDoilyGridSize.
constexpr int32_t doily_padded_record(int32_t row, int32_t column) {
  return kDoilyPaddedSize * (row + 1) + column + 1;
}

// The lit vertices of a piece keep the padded grid's row length: a piece whose first vertex row is
// `first` has kDoilyPaddedSize records per vertex row, its grid vertex (row, column) at
// doily_lit_record(row - first, column); the two border records of each row are never drawn.
constexpr int32_t doily_lit_record(int32_t piece_row, int32_t column) {
  return kDoilyPaddedSize * piece_row + column + 1;
}

// The doily program's surface is centred on grid point (kDoilyCentre, kDoilyCentre), where its
// z = ((s - 500) / 400, (t - 500) / 400) is zero. A grid point more than kDoilyFlatRadius grid
// steps from there lies flat at the glass and is fully transparent: each of its five orbits starts
// at |z| > 1.25, where |z^8 + z| >= 1.25^8 - 1.25 > 4.7, so every one escapes at its first step and
// the sums, and with them the lift, the colour and the alpha, are zero. A quad whose four corners
// all lie there blends to nothing, and nothing drawn after the doily lies below the glass, where
// its depth would matter; the lit quads leave such quads out (210,785 of the 998,001).
constexpr int32_t kDoilyCentre = 500;
constexpr int32_t kDoilyFlatRadius = 500;
constexpr bool doily_point_is_flat(int32_t row, int32_t column) {
  const int64_t dr = row - kDoilyCentre, dc = column - kDoilyCentre;
  return dr * dr + dc * dc > int64_t{kDoilyFlatRadius} * kDoilyFlatRadius;
}

// Writes the quads of the `rows` quad rows from grid row `first` on, as lit vertices, over the
// start of the arena's index array, the quads of quad row q joining lit rows q and q + 1: the
// corners of quad (q, column) are the lit records of (q, column), (q, column + 1),
// (q + 1, column + 1) and (q + 1, column), in the order and orientation of build_doily_piece. Quads
// whose four corners are all flat (doily_point_is_flat at grid row first + q) are left out. Writes
// no vertex record and leaves the write cursor as it is. Returns the index entries written, from 0
// on: at most 4 * rows * kDoilyQuadsPerRow.
ArenaRange build_doily_lit_quads(int32_t first, int32_t rows);
