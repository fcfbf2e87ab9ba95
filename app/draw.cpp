// Draw calls over the arena.
//
// Every pass draws only what it wrote. Earlier passes' triangles are never submitted again, so no
// pixel depends on two programs computing bit-identical depth for the same triangle (a guarantee
// GLSL gives across programs only with `invariant gl_Position`).
#include "app/draw.h"

#include <GL/glew.h>

void bind_arena_arrays() {
  glInterleavedArrays(GL_C4F_N3F_V3F, 0, g_arena.vertices);
}

void draw_triangles(const ArenaRange& written) {
  glDrawElements(GL_TRIANGLES, written.index_count, GL_UNSIGNED_INT,
                 g_arena.indices + written.first_index);
}

// Drawn as quads straight from the grid, llvmpipe shades most grid vertices twice (its vertex
// cache works per piece of the index list), and each shading evaluates the fractal surface five
// times. Captured as points, each is shaded once.
void capture_vertices(GLuint buffer, int32_t first, int32_t count) {
  capture_points(buffer, static_cast<GLintptr>(sizeof(Vertex)) * first, sizeof(Vertex), first,
                 count);
}

void capture_points(GLuint buffer, GLintptr offset, GLsizeiptr record_size, int32_t first,
                    int32_t count) {
  glBindBufferRange(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffer, offset, record_size * count);
  glEnable(GL_RASTERIZER_DISCARD);
  glBeginTransformFeedback(GL_POINTS);
  glDrawArrays(GL_POINTS, first, count);
  glEndTransformFeedback();
  glDisable(GL_RASTERIZER_DISCARD);
  glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
}
