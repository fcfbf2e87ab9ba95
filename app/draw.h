// The frame's draw calls: each submits exactly the range of records and index entries that a
// builder reports it wrote.
//
// Owns: the arena's client arrays as the GL sees them, and the doily's recorded vertices.
// May not: build geometry or bind programs; the frame's passes do that.
#pragma once

#include "geometry/arena.h"

// Binds the arena's records as the colour, normal and position arrays (GL_C4F_N3F_V3F).
void bind_arena_arrays();

// One GL_TRIANGLES draw of the range's index entries.
void draw_triangles(const ArenaRange& written);

// The doily grid with the doily program bound. Where the program records its vertices, each grid
// vertex is shaded once into a buffer (points, nothing rasterised) and the quads are drawn from
// the recorded vertices; otherwise the quads are drawn from the grid itself, as a GL 2.1 context
// without transform feedback must. Leaves the arena's arrays bound as they were.
void draw_doily(const ArenaRange& grid);
