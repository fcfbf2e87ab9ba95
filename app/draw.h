// The frame's draw calls: each submits exactly the range of records and index entries that a
// builder reports it wrote.
//
// Owns: the arena's client arrays as the GL sees them, and the doily's recorded vertices.
// May not: build geometry or bind programs; the frame's passes do that.
#pragma once

#include <GL/glew.h>

#include "geometry/arena.h"

// Binds the arena's records as the colour, normal and position arrays (GL_C4F_N3F_V3F).
void bind_arena_arrays();

// One GL_TRIANGLES draw of the range's index entries.
void draw_triangles(const ArenaRange& written);

// Runs records first .. first + count - 1 of the arena through the bound program's vertex stage as
// points, nothing rasterised, and records what the stage outputs (see kDoilyRecordVaryings) into
// `buffer`, whose storage is already large enough, at the same record positions.
void record_vertices(GLuint buffer, int32_t first, int32_t count);

// One band of the doily grid, with the doily program bound. Where the program records its
// vertices, each grid vertex is shaded once into a buffer (most of them by a helper context on
// another thread, where one can be had) and the quads are drawn from the recorded vertices: the
// band's quads wait until the next band's recording has started (the helper records it while this
// context draws them) or until finish_doily. Otherwise the quads are drawn from the grid itself
// at once, as a GL 2.1 context without transform feedback must. Leaves the arena's arrays bound as
// they were.
void draw_doily(const ArenaRange& grid);

// Draws the quads of the band that is still waiting, if any. The doily pass ends with it.
void finish_doily();
