// The doily's draws: the surface captured once per point of the padded grid, each piece's lit
// vertices captured from the surface's records, its quads drawn from them.
#include "app/doily_draw.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "app/capture_helper.h"
#include "app/draw.h"
#include "scene/doily.h"
#include "shading/programs.h"

namespace {

// A piece whose lit vertices are captured and whose quads are still to be drawn: its lit records,
// and its quads' index entries copied out of the arena, whose span the next piece reuses.
struct LitPiece {
  GLuint vertices = 0, quads = 0;  // buffer objects; 0 when no piece is waiting
  int32_t index_count = 0;
};

// The lit pieces the helper hands over while this thread draws, in the pass's order: at most
// kLitLead of them lit and not yet taken, so the helper runs a little ahead and no further.
constexpr int32_t kLitLead = 2;
struct LitHandover {
  std::mutex mutex;
  std::condition_variable changed;
  int32_t rows_per_piece = 0;  // the pass's pieces, set before the helper starts
  int32_t lit = 0;             // pieces handed over
  int32_t taken = 0;           // pieces this thread has taken, from the helper or lit itself
  bool stopped = true;         // the helper lights no more: not started, done, or failed
  bool ended = false;          // the pass ended: the helper is to stop, whatever is left
  GLuint vertices[kLitLead] = {};
  GLsync done[kLitLead] = {};  // flushed by the helper after the piece's capture
};
LitHandover g_handover;

struct DoilyDrawState {
  int32_t piece_first = 0, piece_rows = 0;  // the quad rows the builder last wrote
  GLuint points = 0;                        // the padded grid's (row, column), two shorts per point
  GLuint surface = 0;     // the surface pass's records of the padded grid; 0 until begun
  bool captured = false;  // all of them are in the buffer
  // The surface's capture from begin_doily_surface until it is complete: the chunks, the fence the
  // helper waits on, and whether the helper took part.
  CaptureWork work{0, 0, 0, 0};
  GLsync ready = nullptr;
  bool shared = false;
  LitPiece waiting;
  bool lighting_shared = false;     // the helper lights the pieces (g_handover)
  GLsync lighting_ready = nullptr;  // the fence its GL waits on before it lights
};
DoilyDrawState g_doily;

// Points per chunk of the surface's capture: about 125 chunks, so neither context waits long for
// the other's last one (16,000-point chunks left the drawing thread waiting some 20 ms more).
constexpr int32_t kCaptureChunk = 8000;

constexpr GLsizeiptr kSurfaceRecordBytes = kDoilySurfaceRecordFloats * sizeof(float);

// The surface pass's input, on whichever context captures: the padded grid's points as gl_Vertex
// (row, column, 0, 1), and no other array.
void bind_surface_points() {
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, g_doily.points);
  glVertexPointer(2, GL_SHORT, 0, nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
}

GLuint new_buffer(GLenum target, GLsizeiptr bytes, const void* data, GLenum usage) {
  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  glBindBuffer(target, buffer);
  glBufferData(target, bytes, data, usage);
  glBindBuffer(target, 0);
  return buffer;
}

GLuint padded_grid_points() {
  std::vector<GLshort> points(2 * static_cast<size_t>(kDoilyPaddedPoints));
  GLshort* p = points.data();
  for (int32_t row = -1; row <= kDoilyGridSize; ++row)
    for (int32_t column = -1; column <= kDoilyGridSize; ++column) {
      *p++ = static_cast<GLshort>(row);
      *p++ = static_cast<GLshort>(column);
    }
  return new_buffer(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof(GLshort) * points.size()),
                    points.data(), GL_STATIC_DRAW);
}

// Lighting input `location` reads, for the lighting draw's vertex k, the surface record
// k + `record` (so k + kDoilyPaddedSize is the grid point itself), from float `offset` of it on.
void read_surface_records(GLuint location, GLint floats, int32_t record, int offset) {
  const GLsizeiptr byte =
      kSurfaceRecordBytes * record + static_cast<GLsizeiptr>(sizeof(float)) * offset;
  glVertexAttribPointer(location, floats, GL_FLOAT, GL_FALSE, kSurfaceRecordBytes,
                        reinterpret_cast<const void*>(byte));
  glEnableVertexAttribArray(location);
}

void draw_waiting_quads() {
  LitPiece& piece = g_doily.waiting;
  if (piece.vertices == 0) return;
  glUseProgram(g_programs.doily_lit);
  glBindBuffer(GL_ARRAY_BUFFER, piece.vertices);
  glInterleavedArrays(GL_C4F_N3F_V3F, 0, nullptr);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, piece.quads);
  glDrawElements(GL_QUADS, piece.index_count, GL_UNSIGNED_INT, nullptr);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  bind_arena_arrays();
  glUseProgram(g_programs.doily);
  // The driver keeps them until the draw no longer needs them.
  const GLuint buffers[2] = {piece.vertices, piece.quads};
  glDeleteBuffers(2, buffers);
  piece = {};
}

// The lighting draw's vertex k stands for the surface record k + kDoilyPaddedSize, so its
// neighbours are the records one row (kDoilyPaddedSize) and one column away; the first drawn
// vertex is the padded record of (first_row, -1), and the lit records keep the surface's layout.
// Captured with `program` (the lighting program, or the helper's copy of it) on whichever context
// is current; leaves the arena's arrays bound.
GLuint light_rows(GLuint program, int32_t first_row, int32_t vertex_rows) {
  const int32_t count = vertex_rows * kDoilyPaddedSize;
  const GLuint lit =
      new_buffer(GL_TRANSFORM_FEEDBACK_BUFFER, static_cast<GLsizeiptr>(sizeof(Vertex)) * count,
                 nullptr, GL_STREAM_COPY);
  glUseProgram(program);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, g_doily.surface);
  constexpr int32_t kRow = kDoilyPaddedSize, kPoint = kDoilyPaddedSize;
  read_surface_records(0, 3, kPoint, kDoilySurfacePointOffset);         // r
  read_surface_records(1, 3, kPoint + kRow, kDoilySurfacePointOffset);  // g: row + 1
  read_surface_records(2, 3, kPoint + 1, kDoilySurfacePointOffset);     // h: column + 1
  read_surface_records(3, 3, kPoint - kRow, kDoilySurfacePointOffset);  // i: row - 1
  read_surface_records(4, 3, kPoint - 1, kDoilySurfacePointOffset);     // j: column - 1
  read_surface_records(5, 4, kPoint - 1, kDoilySurfaceColourOffset);    // e: its colour
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  capture_points(lit, 0, sizeof(Vertex), first_row * kDoilyPaddedSize, count);
  for (GLuint location = 0; location < 6; ++location) glDisableVertexAttribArray(location);
  bind_arena_arrays();
  return lit;
}

// The pass's pieces, in order, on the helper: each lit into a buffer of its own and handed over
// behind a fence. Stops at the first GL error, leaving that piece and the rest to the drawing
// thread.
bool light_pieces_on_helper(void*, bool started) {
  LitHandover& h = g_handover;
  if (!started) {
    std::lock_guard<std::mutex> lock(h.mutex);
    h.stopped = true;
    h.changed.notify_all();
    return false;
  }
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);  // the helper's copy of the lighting program
  bool complete = true;
  for (int32_t piece = 0, first = 0; first < kDoilyQuadsPerRow;
       ++piece, first += h.rows_per_piece) {
    {
      std::unique_lock<std::mutex> lock(h.mutex);
      h.changed.wait(lock, [&] { return piece - h.taken < kLitLead || h.ended; });
      if (h.ended) break;
    }
    const int32_t rows = std::min(h.rows_per_piece, kDoilyQuadsPerRow - first);
    const GLuint lit = light_rows(static_cast<GLuint>(program), first, rows + 1);
    if (glGetError() != GL_NO_ERROR) {
      glDeleteBuffers(1, &lit);
      complete = false;
      break;
    }
    const GLsync done = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();
    std::lock_guard<std::mutex> lock(h.mutex);
    h.vertices[piece % kLitLead] = lit;
    h.done[piece % kLitLead] = done;
    h.lit = piece + 1;
    h.changed.notify_all();
  }
  std::lock_guard<std::mutex> lock(h.mutex);
  h.stopped = true;
  h.changed.notify_all();
  return complete;
}

// Hands the lighting of the pass's pieces to the helper, once the surface is complete, where the
// helper could take part in the surface.
void begin_lighting_on_helper(int32_t rows_per_piece) {
  g_doily.lighting_shared = false;
  if (!g_doily.shared) return;
  LitHandover& h = g_handover;
  h.rows_per_piece = rows_per_piece;
  h.lit = h.taken = 0;
  h.stopped = h.ended = false;
  const GLsync ready = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  glFlush();
  g_doily.lighting_shared =
      begin_helper_task(g_programs.doily_lighting, ready, light_pieces_on_helper, nullptr);
  // The helper's GL waits for the fence before it lights anything; this thread waits for each
  // piece it takes from the helper, so the fence is not needed past that.
  if (g_doily.lighting_shared)
    g_doily.lighting_ready = ready;
  else
    glDeleteSync(ready);
}

// The lit vertices of the pass's next piece (grid rows first .. first + rows): the helper's,
// where it lit them, otherwise lit here.
GLuint take_lit_piece(int32_t first, int32_t rows) {
  LitHandover& h = g_handover;
  if (g_doily.lighting_shared) {
    std::unique_lock<std::mutex> lock(h.mutex);
    const int32_t piece = h.taken;
    h.changed.wait(lock, [&] { return h.lit > piece || h.stopped; });
    h.taken = piece + 1;  // its entry may take the piece after next from here on
    h.changed.notify_all();
    if (h.lit > piece) {
      const GLuint lit = h.vertices[piece % kLitLead];
      const GLsync done = h.done[piece % kLitLead];
      lock.unlock();
      glWaitSync(done, 0, GL_TIMEOUT_IGNORED);
      glDeleteSync(done);
      return lit;
    }
  }
  const GLuint lit = light_rows(g_programs.doily_lighting, first, rows + 1);
  glUseProgram(g_programs.doily);
  return lit;
}

// Ends the helper's lighting, if it was lighting, and waits for it. In the frame every piece has
// been taken by now; a pass cut short leaves pieces lit and not taken, which are let go here.
void end_lighting_on_helper() {
  if (!g_doily.lighting_shared) return;
  LitHandover& h = g_handover;
  {
    std::lock_guard<std::mutex> lock(h.mutex);
    h.ended = true;
    h.changed.notify_all();
  }
  end_helper_capture();  // after an error the drawing thread lit the rest itself
  for (int32_t piece = h.taken; piece < h.lit; ++piece) {
    glDeleteSync(h.done[piece % kLitLead]);
    glDeleteBuffers(1, &h.vertices[piece % kLitLead]);
  }
  glDeleteSync(g_doily.lighting_ready);
  g_doily.lighting_ready = nullptr;
  g_doily.lighting_shared = false;
}

}  // namespace

ArenaRange build_doily_pass_piece(int32_t first, int32_t rows) {
  if (!g_programs.doily_captures) return build_doily_piece(first, rows);
  g_doily.piece_first = first;
  g_doily.piece_rows = rows;
  return build_doily_lit_quads(first, rows);
}

// The surface is captured in chunks, on the helper context, if there is one, and on this one.
void begin_doily_surface() {
  if (!g_programs.doily_captures || g_doily.surface != 0) return;
  g_doily.points = padded_grid_points();
  g_doily.surface = new_buffer(GL_TRANSFORM_FEEDBACK_BUFFER,
                               kSurfaceRecordBytes * kDoilyPaddedPoints, nullptr, GL_STREAM_COPY);
  CaptureWork& work = g_doily.work;
  work.buffer = g_doily.surface;
  work.first = 0;
  work.count = kDoilyPaddedPoints;
  work.chunk = kCaptureChunk;
  work.record_size = kSurfaceRecordBytes;
  work.bind_inputs = bind_surface_points;
  work.taken = 0;
  // Sync objects (GL 3.2) let the helper wait for the storage; without them it is not used.
  g_doily.ready = GLEW_ARB_sync ? glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0) : nullptr;
  glFlush();
  g_doily.shared = g_doily.ready != nullptr &&
                   begin_helper_capture(g_programs.doily_surface, &work, g_doily.ready);
}

void capture_doily_surface() {
  begin_doily_surface();
  if (g_doily.captured) return;
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  glUseProgram(g_programs.doily_surface);
  bind_surface_points();
  for (int32_t first, count; g_doily.work.take(&first, &count);)
    capture_points(g_doily.surface, kSurfaceRecordBytes * first, kSurfaceRecordBytes, first, count);
  if (g_doily.shared && !end_helper_capture())
    capture_points(g_doily.surface, 0, kSurfaceRecordBytes, 0, kDoilyPaddedPoints);
  if (g_doily.ready != nullptr) glDeleteSync(g_doily.ready);
  g_doily.ready = nullptr;
  g_doily.captured = true;
  bind_arena_arrays();
  glUseProgram(static_cast<GLuint>(program));
}

GLuint light_doily_rows(int32_t first_row, int32_t vertex_rows) {
  const GLuint lit = light_rows(g_programs.doily_lighting, first_row, vertex_rows);
  glUseProgram(g_programs.doily);
  return lit;
}

// The lit vertices are drawn with the doily's plain program, which does what the doily program's
// vertex stage does with a non-zero normal: it keeps the captured position and colour and
// normalises the normal once more, which moves a few normals by a rounding step (81 pixels of the
// picture change by one level).
void draw_doily(const ArenaRange& written) {
  if (!g_programs.doily_captures) {
    glDrawElements(GL_QUADS, written.index_count, GL_UNSIGNED_INT,
                   g_arena.indices + written.first_index);
    return;
  }
  if (!g_doily.captured) {
    capture_doily_surface();
    begin_lighting_on_helper(g_doily.piece_rows);
  }
  draw_waiting_quads();
  const GLuint vertices = take_lit_piece(g_doily.piece_first, g_doily.piece_rows);
  const GLuint quads = new_buffer(GL_ELEMENT_ARRAY_BUFFER,
                                  static_cast<GLsizeiptr>(sizeof(uint32_t)) * written.index_count,
                                  g_arena.indices + written.first_index, GL_STATIC_DRAW);
  g_doily.waiting = {vertices, quads, written.index_count};
}

void finish_doily() {
  draw_waiting_quads();
  end_lighting_on_helper();
  if (g_doily.surface == 0) return;
  const GLuint buffers[2] = {g_doily.surface, g_doily.points};
  glDeleteBuffers(2, buffers);
  g_doily.surface = g_doily.points = 0;
  g_doily.captured = false;
}
