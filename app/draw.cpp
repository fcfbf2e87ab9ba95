// Draw calls over the arena, and the doily's two ways of reaching its lace.
//
// Every pass draws only what it wrote. Earlier passes' triangles are never submitted again, so no
// pixel depends on two programs computing bit-identical depth for the same triangle (a guarantee
// GLSL gives across programs only with `invariant gl_Position`).
#include "app/draw.h"

#include <GL/glew.h>

#include "app/recording_helper.h"
#include "shading/programs.h"

void bind_arena_arrays() {
  glInterleavedArrays(GL_C4F_N3F_V3F, 0, g_arena.vertices);
}

void draw_triangles(const ArenaRange& written) {
  glDrawElements(GL_TRIANGLES, written.index_count, GL_UNSIGNED_INT,
                 g_arena.indices + written.first_index);
}

// Drawn as quads straight from the grid, llvmpipe shades most grid vertices twice (its vertex
// cache works per piece of the index list), and each shading evaluates the fractal surface five
// times. Recorded as points, each is shaded once.
void record_vertices(GLuint buffer, int32_t first, int32_t count) {
  glBindBufferRange(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffer,
                    static_cast<GLintptr>(sizeof(Vertex)) * first,
                    static_cast<GLsizeiptr>(sizeof(Vertex)) * count);
  glEnable(GL_RASTERIZER_DISCARD);
  glBeginTransformFeedback(GL_POINTS);
  glDrawArrays(GL_POINTS, first, count);
  glEndTransformFeedback();
  glDisable(GL_RASTERIZER_DISCARD);
  glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
}

namespace {

// Records the grid's vertices into `buffer`: the second half on the helper context, if there is
// one, while this context records the first.
void record_doily_vertices(const ArenaRange& grid, GLuint buffer) {
  glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, buffer);
  glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER,
               static_cast<GLsizeiptr>(sizeof(Vertex)) * (grid.first_vertex + grid.vertex_count),
               nullptr, GL_STREAM_COPY);
  glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, 0);
  const int32_t mine = grid.vertex_count / 2;
  // Sync objects (GL 3.2) let the helper wait for the storage; without them it is not used.
  GLsync ready = GLEW_ARB_sync ? glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0) : nullptr;
  glFlush();
  const bool shared = ready != nullptr &&
                      begin_helper_recording(g_programs.doily, buffer, ready,
                                             grid.first_vertex + mine, grid.vertex_count - mine);
  record_vertices(buffer, grid.first_vertex, shared ? mine : grid.vertex_count);
  if (shared && !end_helper_recording())
    record_vertices(buffer, grid.first_vertex + mine, grid.vertex_count - mine);
  if (ready != nullptr) glDeleteSync(ready);
}

}  // namespace

// The recorded vertices carry a non-zero normal, so the same program's vertex stage takes its
// plain path for them: it keeps the recorded position and colour and normalises the normal once
// more, which moves a few normals by a rounding step (81 pixels of the picture change by one
// level).
void draw_doily(const ArenaRange& grid) {
  if (!g_programs.doily_records) {
    glDrawElements(GL_QUADS, grid.index_count, GL_UNSIGNED_INT, g_arena.indices + grid.first_index);
    return;
  }
  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  record_doily_vertices(grid, buffer);
  // Record k of the buffer stands for grid record k, so the grid's index entries apply as they
  // are.
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glInterleavedArrays(GL_C4F_N3F_V3F, 0, nullptr);
  glDrawElements(GL_QUADS, grid.index_count, GL_UNSIGNED_INT, g_arena.indices + grid.first_index);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  bind_arena_arrays();
  glDeleteBuffers(1, &buffer);  // the driver keeps it until the draw no longer needs it
}
