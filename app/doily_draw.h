// The doily pass. Where the GL can capture vertices, its producer runs on the helper's context: its
// first step, begun while the table is drawn, captures the doily's surface once per point of the
// padded grid (the helper and the window's context taking chunks in turn); then each piece's lit
// vertices are captured from the surface's records, its quads written, and both handed to the
// draw in buffers of their own. Where it cannot (a GL 2.1 context without transform feedback), the
// pieces are the grid itself, made here and drawn with the doily program.
//
// Owns: the surface's capture from its start to the doily pass's end, and the doily's pieces on
// the GL. May not: write grid records itself (scene/doily.h lays out the grid and its quads), move
// the arena's write cursor, or bind a program for the draw (the pass binds it).
#pragma once

#include <cstdint>

#include "shading/gl.h"

#include "app/pass.h"

// The pass's producer: the piece's lit records and quads in buffers (captured path), or its grid
// records and quads over the span's start (grid path). Beside, on the helper, false when the GL
// reported an error: the piece is made again here.
bool make_doily_piece(PassPiece* piece, bool beside);

// Draws a piece as make_doily_piece made it, waiting on the GL for the helper's fence first, and
// deletes its buffers. The pass's program is bound: the doily's plain program for lit pieces, the
// doily program for grid pieces.
void draw_doily_piece(PassPiece* piece);
void let_go_of_doily_piece(PassPiece* piece);

// Starts the pass's pieces on the helper, once the surface is complete; false where the doily is
// drawn from its grid or no helper can be had.
bool start_doily_pieces_on_helper(PieceLine* line);

// Begins the surface's capture on the helper, where the doily is drawn from captured records and a
// helper can be had, so that it runs while the passes before the doily are drawn. Called once this
// context has drawn (the table's first piece): the driver's one-time set-up of its shader compiler
// is then done, which the helper's first capture would otherwise race for.
void begin_doily_surface();

// Completes the surface's capture, taking the chunks the helper has not; where it was not begun,
// captures it all here. The doily pass's begin. Leaves the arena's arrays bound.
void complete_doily_surface();

// Lets the surface go: its buffers, and its capture where it was begun and never completed (a
// frame that left the doily pass out). The doily pass's end, and the frame's.
void let_go_of_doily_surface();

// The lit vertices of grid rows first_row .. first_row + vertex_rows - 1, captured here from the
// complete surface into a new buffer of vertex_rows * kDoilyPaddedSize GL_C4F_N3F_V3F records laid
// out as doily_lit_record says. Binds the lighting program; leaves the arena's arrays bound.
GLuint light_doily_rows(int32_t first_row, int32_t vertex_rows);
