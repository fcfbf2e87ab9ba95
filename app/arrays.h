// The arrays a draw reads and the primitives it draws, where GLs differ: desktop GL reads the
// arena's records straight from memory (client arrays) and draws quads; WebGL 2 reads only buffer
// objects and draws no quads. One file per kind of GL implements this (arrays_desktop.cpp,
// arrays_webgl.cpp); the build picks one.
//
// Owns: the bindings of the colour, normal and position inputs, and whatever carries the arena's
// records to the GL. May not: bind programs, or draw records other than those it is given.
#pragma once

#include <cstdint>

#include "shading/gl.h"

// The arena's records as the colour, normal and position inputs (GL_C4F_N3F_V3F).
void bind_arena_arrays();

// Records laid out as the arena's, from the start of a buffer object, as those inputs instead.
void bind_record_buffer(GLuint buffer);

// The doily's padded grid points as the position input, two shorts each (z 0, w 1), from the
// start of a buffer object; no colour or normal input.
void bind_point_buffer(GLuint buffer);

// None of the three inputs: for a draw that reads only generic attributes of its own.
void unbind_vertex_arrays();

// Arena records first .. first + count - 1 drawn as triangles, in order. The arena's arrays are
// bound.
void draw_arena_triangles(int32_t first, int32_t count);

// Quads whose `count` index entries, from arena entry `first_entry` on, name arena records; every
// record they name lies in first_record .. first_record + records - 1. The arena's arrays are
// bound.
void draw_arena_quads(int32_t first_entry, int32_t count, int32_t first_record, int32_t records);

// The `count` quad entries as the GL draws them: `entries` themselves where it draws quads, two
// triangles each, split as natively, where it does not (in room of its own, valid until the next
// call). Returns how many there are, and points `drawn` at them.
int32_t entries_as_drawn(const uint32_t* entries, int32_t count, const uint32_t** drawn);

// Draws the quads of an element buffer holding `held` entries as entries_as_drawn gave them, over
// the bound records.
void draw_quad_buffer(GLuint buffer, int32_t held);
