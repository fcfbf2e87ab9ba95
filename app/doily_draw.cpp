// The doily's draws: capture a piece's vertices once, draw its quads from the capture while the
// next piece is captured.
#include "app/doily_draw.h"

#include <GL/glew.h>

#include "app/capture_helper.h"
#include "app/draw.h"
#include "shading/programs.h"

namespace {

// A piece whose vertices are captured and whose quads are still to be drawn: its captured
// vertices, and its quads' index entries copied out of the arena, whose span the next piece
// reuses.
struct CapturedPiece {
  GLuint vertices = 0, quads = 0;  // buffer objects; 0 when no piece is waiting
  int32_t index_count = 0;
};
CapturedPiece g_waiting_piece;

// Records per chunk of a piece's capture: a piece has about sixteen, so neither context waits
// long for the other's last one.
constexpr int32_t kCaptureChunk = 16000;

// Captures the piece's vertices into a new buffer, chunk by chunk on the helper context, if there
// is one, and on this one once it has drawn the waiting piece's quads.
GLuint capture_piece(const ArenaRange& grid) {
  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, buffer);
  glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER,
               static_cast<GLsizeiptr>(sizeof(Vertex)) * (grid.first_vertex + grid.vertex_count),
               nullptr, GL_STREAM_COPY);
  glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, 0);
  CaptureWork work{buffer, grid.first_vertex, grid.vertex_count, kCaptureChunk};
  // Sync objects (GL 3.2) let the helper wait for the storage; without them it is not used.
  GLsync ready = GLEW_ARB_sync ? glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0) : nullptr;
  glFlush();
  const bool shared = ready != nullptr && begin_helper_capture(g_programs.doily, &work, ready);
  finish_doily();
  for (int32_t first, count; work.take(&first, &count);) capture_vertices(buffer, first, count);
  if (shared && !end_helper_capture())
    capture_vertices(buffer, grid.first_vertex, grid.vertex_count);
  if (ready != nullptr) glDeleteSync(ready);
  return buffer;
}

}  // namespace

// The captured vertices carry a non-zero normal, so the same program's vertex stage takes its
// plain path for them: it keeps the captured position and colour and normalises the normal once
// more, which moves a few normals by a rounding step (81 pixels of the picture change by one
// level).
void draw_doily(const ArenaRange& grid) {
  if (!g_programs.doily_captures) {
    glDrawElements(GL_QUADS, grid.index_count, GL_UNSIGNED_INT, g_arena.indices + grid.first_index);
    return;
  }
  const GLuint vertices = capture_piece(grid);
  // Record k of the buffer stands for grid record k, so the piece's index entries apply as they
  // are, once copied out of the arena.
  GLuint quads = 0;
  glGenBuffers(1, &quads);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quads);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER,
               static_cast<GLsizeiptr>(sizeof(uint32_t)) * grid.index_count,
               g_arena.indices + grid.first_index, GL_STATIC_DRAW);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  g_waiting_piece = {vertices, quads, grid.index_count};
}

void finish_doily() {
  CapturedPiece& piece = g_waiting_piece;
  if (piece.vertices == 0) return;
  glBindBuffer(GL_ARRAY_BUFFER, piece.vertices);
  glInterleavedArrays(GL_C4F_N3F_V3F, 0, nullptr);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, piece.quads);
  glDrawElements(GL_QUADS, piece.index_count, GL_UNSIGNED_INT, nullptr);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  bind_arena_arrays();
  // The driver keeps them until the draw no longer needs them.
  const GLuint buffers[2] = {piece.vertices, piece.quads};
  glDeleteBuffers(2, buffers);
  piece = {};
}
