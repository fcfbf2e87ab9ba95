// The frame's draw calls over the arena: each submits exactly the range of records and index
// entries that a builder reports it wrote.
//
// Owns: the arena's client arrays as the GL sees them. May not: build geometry, bind programs or
// call up into the passes; the doily's pieces (app/doily_draw.h) build on these.
#pragma once

#include "geometry/arena.h"
#include "shading/gl.h"

// One GL_TRIANGLES draw of the triangles a triangle builder wrote: the range's index entries name
// its records in order (triangles_since), so the records are drawn straight, which is the same
// primitives in the same order. Aborts, with the numbers, on a range whose entries do not match
// its records.
void draw_triangles(const ArenaRange& written);

// Runs points first .. first + count - 1 of the bound vertex arrays through the bound program's
// vertex stage, nothing rasterised, and captures what the stage outputs with transform feedback
// into `buffer`, whose storage is already large enough: records of `record_size` bytes from byte
// `offset` on.
void capture_points(GLuint buffer, GLintptr offset, GLsizeiptr record_size, int32_t first,
                    int32_t count);
