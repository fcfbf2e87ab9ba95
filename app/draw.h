// The frame's draw calls over the arena: each submits exactly the range of records and index
// entries that a builder reports it wrote.
//
// Owns: the arena's client arrays as the GL sees them. May not: build geometry, bind programs or
// call up into the passes; the doily's draws (app/doily_draw.h) and the capture helper build on
// these.
#pragma once

#include <GL/glew.h>

#include "geometry/arena.h"

// Binds the arena's records as the colour, normal and position arrays (GL_C4F_N3F_V3F).
void bind_arena_arrays();

// One GL_TRIANGLES draw of the triangles a triangle builder wrote: the range's index entries name
// its records in order (triangles_since), so the records are drawn straight, which is the same
// primitives in the same order. Aborts, with the numbers, on a range whose entries do not match
// its records.
void draw_triangles(const ArenaRange& written);

// Runs records first .. first + count - 1 of the arena through the bound program's vertex stage as
// points, nothing rasterised, and captures what the stage outputs (see kDoilyCapturedVaryings)
// with transform feedback into `buffer`, whose storage is already large enough, at the same record
// positions.
void capture_vertices(GLuint buffer, int32_t first, int32_t count);

// The same for any bound vertex arrays and any record: points first .. first + count - 1, captured
// as records of `record_size` bytes from byte `offset` of `buffer` on.
void capture_points(GLuint buffer, GLintptr offset, GLsizeiptr record_size, int32_t first,
                    int32_t count);
