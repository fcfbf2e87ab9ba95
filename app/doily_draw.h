// The doily's two ways of reaching its lace: quads drawn from vertices captured with transform
// feedback, the surface worked out once per point, or, on a GL without it, quads drawn straight
// from the grid.
//
// Owns: the doily pass's piece (its builder notes which rows the draw lights), the surface
// records of the padded grid while the pass runs, the lit piece that waits to be drawn, and the
// split of the surface's capture between the window's context and the capture helper.
// May not: write grid records itself (scene/doily.h lays out the grid and its quads), or leave a
// program other than the doily program bound.
#pragma once

#include <cstdint>

#include <GL/glew.h>

#include "geometry/arena.h"

// The doily pass's builder: quad rows first .. first + rows - 1. Where the doily is drawn from
// captured records it writes only their quads (build_doily_lit_quads) and notes the rows for
// draw_doily; otherwise the grid piece itself (build_doily_piece).
ArenaRange build_doily_pass_piece(int32_t first, int32_t rows);

// One piece of the doily, as build_doily_pass_piece wrote it, with the doily program bound. Where
// the doily is drawn from captured records: the first piece of the pass captures the surface of
// the whole padded grid, or completes the capture begin_doily_surface began (on a helper context
// on another thread, where one can be had, with this context taking chunks too); each piece's lit
// vertices are then captured from the surface's records (by the helper, a piece or two ahead,
// where it took part in the surface; here otherwise, or from a piece it failed on), and its quads
// are drawn from those with the doily's plain program when the next piece is drawn or at
// finish_doily. Otherwise the quads are drawn from the grid itself at once, as a GL 2.1 context
// without transform feedback must. Leaves the doily program and the arena's arrays bound.
void draw_doily(const ArenaRange& written);

// Draws the quads of the piece that is still waiting, if any, ends the helper's lighting (letting
// go of pieces it lit that were not drawn) and lets the surface's records go. The doily pass ends
// with it.
void finish_doily();

// Starts the surface's capture on the helper context, where the doily is drawn from captured
// records and a helper can be had, so that it runs while the passes before the doily are drawn.
// The doily pass's first piece completes it.
void begin_doily_surface();

// The steps of the captured path, for the tests. capture_doily_surface runs the surface pass over
// the whole padded grid (or completes what begin_doily_surface began), as the pass's first piece
// does; light_doily_rows then captures the lit
// vertices of grid rows first_row .. first_row + vertex_rows - 1 into a new buffer of
// vertex_rows * kDoilyPaddedSize GL_C4F_N3F_V3F records laid out as doily_lit_record says;
// finish_doily lets the surface go. capture_doily_surface leaves the program that was bound,
// light_doily_rows the doily program.
void capture_doily_surface();
GLuint light_doily_rows(int32_t first_row, int32_t vertex_rows);
