// Desktop GL's arrays: the arena's records read straight from memory, quads drawn as quads.
#include "app/arrays.h"

#include "geometry/arena.h"

void bind_arena_arrays() {
  glInterleavedArrays(GL_C4F_N3F_V3F, 0, g_arena.vertices);
}

void bind_record_buffer(GLuint buffer) {
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glInterleavedArrays(GL_C4F_N3F_V3F, 0, nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void bind_point_buffer(GLuint buffer) {
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glVertexPointer(2, GL_SHORT, 0, nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void unbind_vertex_arrays() {
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
}

void draw_arena_triangles(int32_t first, int32_t count) {
  glDrawArrays(GL_TRIANGLES, first, count);
}

void draw_arena_quads(int32_t first_entry, int32_t count, int32_t, int32_t) {
  glDrawElements(GL_QUADS, count, GL_UNSIGNED_INT, g_arena.indices + first_entry);
}

int32_t entries_as_drawn(const uint32_t* entries, int32_t count, const uint32_t** drawn) {
  *drawn = entries;
  return count;
}

void draw_quad_buffer(GLuint buffer, int32_t held) {
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
  glDrawElements(GL_QUADS, held, GL_UNSIGNED_INT, nullptr);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}
