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

// A band whose vertices are recorded and whose quads are still to be drawn: its recorded vertices,
// and its quads' index entries copied out of the arena, whose window the next band reuses.
struct RecordedBand {
  GLuint vertices = 0, quads = 0;  // buffer objects; 0 when no band is waiting
  int32_t index_count = 0;
};
RecordedBand g_waiting_band;

// Records per chunk of a band's recording: a band has about sixteen, so neither context waits
// long for the other's last one.
constexpr int32_t kRecordingChunk = 16000;

// Records the band's vertices into a new buffer, chunk by chunk on the helper context, if there is
// one, and on this one once it has drawn the waiting band's quads.
GLuint record_band(const ArenaRange& grid) {
  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, buffer);
  glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER,
               static_cast<GLsizeiptr>(sizeof(Vertex)) * (grid.first_vertex + grid.vertex_count),
               nullptr, GL_STREAM_COPY);
  glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, 0);
  RecordingWork work{buffer, grid.first_vertex, grid.vertex_count, kRecordingChunk};
  // Sync objects (GL 3.2) let the helper wait for the storage; without them it is not used.
  GLsync ready = GLEW_ARB_sync ? glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0) : nullptr;
  glFlush();
  const bool shared = ready != nullptr && begin_helper_recording(g_programs.doily, &work, ready);
  finish_doily();
  for (int32_t first, count; work.take(&first, &count);) record_vertices(buffer, first, count);
  if (shared && !end_helper_recording())
    record_vertices(buffer, grid.first_vertex, grid.vertex_count);
  if (ready != nullptr) glDeleteSync(ready);
  return buffer;
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
  const GLuint vertices = record_band(grid);
  // Record k of the buffer stands for grid record k, so the band's index entries apply as they
  // are, once copied out of the arena.
  GLuint quads = 0;
  glGenBuffers(1, &quads);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quads);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER,
               static_cast<GLsizeiptr>(sizeof(uint32_t)) * grid.index_count,
               g_arena.indices + grid.first_index, GL_STATIC_DRAW);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  g_waiting_band = {vertices, quads, grid.index_count};
}

void finish_doily() {
  RecordedBand& band = g_waiting_band;
  if (band.vertices == 0) return;
  glBindBuffer(GL_ARRAY_BUFFER, band.vertices);
  glInterleavedArrays(GL_C4F_N3F_V3F, 0, nullptr);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, band.quads);
  glDrawElements(GL_QUADS, band.index_count, GL_UNSIGNED_INT, nullptr);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  bind_arena_arrays();
  // The driver keeps them until the draw no longer needs them.
  const GLuint buffers[2] = {band.vertices, band.quads};
  glDeleteBuffers(2, buffers);
  band = {};
}
