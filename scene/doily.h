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
// Index entries of one row of quads.
constexpr int32_t kDoilyIndexEntriesPerRow = 4 * kDoilyQuadsPerRow;  // 3,996

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

// The doily program's surface at grid point (s, t) starts its orbits from
// z = ((s - kDoilyCentre) / kDoilyZoom, (t - kDoilyCentre) / kDoilyZoom), one orbit per scale
// factor (z times kDoilyScales[j]); the sum adds the even-numbered ones and subtracts the others.
// These are the doily snippet's numbers, for the CPU's side of the doily.
constexpr float kDoilyCentre = 500;
constexpr float kDoilyZoom = 400;
constexpr float kDoilyScales[5] = {1.0f, 1.2f, 1.4f, 1.6f, 1.8f};

// A point lies flat at the glass and is fully transparent when each of its five orbits escapes at
// its first step: z^8 + z leaves radius 4 at once, and the sums, with them the lift, the colour
// and the alpha, are zero. The search counts a point flat only when |z^8 + z|^2, worked out in
// double precision, passes 16 by more than kDoilyFlatMargin: far beyond any difference between a
// GPU's float arithmetic and this, so every point counted flat is flat on any GL.
constexpr double kDoilyFlatMargin = 0.1;
struct DoilyFlatPoints {
  uint64_t words[(kDoilyPaddedPoints + 63) / 64];  // bit doily_padded_record(row, column)
  bool found;
};
extern DoilyFlatPoints g_doily_flat;

// Marks the flat points of the padded grid in g_doily_flat: some 30 ms of arithmetic, which a
// caller may do ahead; build_doily_lit_quads does it itself if nobody has.
void find_flat_doily_points();

inline bool doily_point_is_flat(int32_t row, int32_t column) {
  const int32_t k = doily_padded_record(row, column);
  return (g_doily_flat.words[k / 64] >> (k % 64) & 1) != 0;
}

// The quad (row, column) is clear when it lies flat at the glass and every corner's alpha is zero:
// its corners, rows row .. row + 1 and columns column .. column + 1, are flat, and so are the
// points one column to the left of its left corners, whose colours those corners carry (a grid
// vertex takes the colour of its neighbour (row, column - 1)). A clear quad blends to nothing, and
// nothing drawn after the doily lies below the glass, where its depth would matter: the lit quads
// leave clear quads out (289,693 of the 998,001).
inline bool doily_quad_is_clear(int32_t row, int32_t column) {
  for (int32_t r = row; r <= row + 1; ++r)
    for (int32_t c = column - 1; c <= column + 1; ++c)
      if (!doily_point_is_flat(r, c)) return false;
  return true;
}

// Writes the quads of the `rows` quad rows from grid row `first` on, as lit vertices, over the
// start of the arena's index array, the quads of quad row q joining lit rows q and q + 1: the
// corners of quad (q, column) are the lit records of (q, column), (q, column + 1),
// (q + 1, column + 1) and (q + 1, column), in the order and orientation of build_doily_piece. Clear
// quads (doily_quad_is_clear at grid row first + q) are left out. Writes
// no vertex record and leaves the write cursor as it is. Returns the index entries written, from 0
// on: at most 4 * rows * kDoilyQuadsPerRow. Finds the flat points first if nobody has.
ArenaRange build_doily_lit_quads(int32_t first, int32_t rows);
