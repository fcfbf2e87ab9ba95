// Draw calls over the arena.
//
// Every pass draws only what it wrote. Earlier passes' triangles are never submitted again, so no
// pixel depends on two programs computing bit-identical depth for the same triangle (a guarantee
// GLSL gives across programs only with `invariant gl_Position`).
#include "app/draw.h"

#include <cstdio>
#include <cstdlib>

#include "app/arrays.h"

// The GL defines an element draw as the vertices its indices name, in their order; for entries k,
// k + 1, ... that is exactly the array draw from record k. A software renderer reads the records
// straight for an array draw, where an element draw costs it a lookup in its vertex cache per
// entry: about 26 ms less per frame on llvmpipe.
void draw_triangles(const ArenaRange& written) {
  if (written.first_index != written.first_vertex || written.index_count != written.vertex_count) {
    std::fprintf(stderr,
                 "draw_triangles: index entries %d .. +%d do not name records %d .. +%d in order; "
                 "build triangles with emit_triangle and report them with triangles_since\n",
                 written.first_index, written.index_count, written.first_vertex,
                 written.vertex_count);
    std::abort();
  }
  draw_arena_triangles(written.first_vertex, written.vertex_count);
}

// Drawn as quads straight from the grid, llvmpipe shades most grid vertices twice (its vertex
// cache works per piece of the index list), and each shading evaluates the fractal surface five
// times. Captured as points, each is shaded once.
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
