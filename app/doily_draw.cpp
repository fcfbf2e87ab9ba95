// The doily's pieces: the surface captured once per point of the padded grid, each piece's lit
// vertices captured from the surface's records, its quads drawn from them.
#include "app/doily_draw.h"

#include <algorithm>
#include <vector>

#include "app/arrays.h"
#include "app/capture_helper.h"
#include "app/draw.h"
#include "scene/doily.h"
#include "shading/programs.h"

namespace {

// Points per chunk of the surface's capture: about 125 chunks, so neither context waits long for
// the other's last one (16,000-point chunks left the drawing thread waiting some 20 ms more).
constexpr int32_t kCaptureChunk = 8000;
constexpr int32_t kCaptureChunks = (kDoilyPaddedPoints + kCaptureChunk - 1) / kCaptureChunk;

constexpr GLsizeiptr kSurfaceRecordBytes = kDoilySurfaceRecordFloats * sizeof(float);

// The surface, from begin_doily_surface (during the table pass) to the doily pass's end.
struct SurfaceCapture {
  GLuint points = 0;   // the padded grid's (row, column), two shorts per point
  GLuint records = 0;  // the surface pass's record of each point; 0 until begun
  PieceLine chunks;    // of kCaptureChunk points, on the helper and here
  HelperRun on_helper = {};
  bool complete = false;
  // The window context's captures go through a transform feedback object of their own where the
  // GL has them (4.0, ARB_transform_feedback2): deleted with the surface, it lets go of the last
  // buffer captured into, which the context's default object would hold until the context ends.
  GLuint feedback = 0;
};
SurfaceCapture g_surface;

// The doily pass's pieces on the helper, while the pass runs.
struct DoilyPieces {
  HelperRun on_helper = {};
};
DoilyPieces g_pieces;

// The surface pass's input, on whichever context captures: the padded grid's points as gl_Vertex
// (row, column, 0, 1), and no other array.
void bind_surface_points() {
  bind_point_buffer(g_surface.points);
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

// A fence after everything this context did so far, flushed so that another context can wait for
// it; null without sync objects (GL 3.2), where the helper is not used.
GLsync flushed_fence() {
  if (!gl_offers().fences) return nullptr;
  const GLsync fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  glFlush();
  return fence;
}

void delete_fence(GLsync& fence) {
  if (fence != nullptr) glDeleteSync(fence);
  fence = nullptr;
}

// The surface's chunk `index`, with the surface program (or the helper's copy) and the padded
// grid's points bound. Beside, a GL error fails it.
bool capture_surface_chunk(void*, int32_t index, bool beside) {
  const int32_t first = index * kCaptureChunk;
  const int32_t count = std::min(kCaptureChunk, kDoilyPaddedPoints - first);
  capture_points(g_surface.records, kSurfaceRecordBytes * first, kSurfaceRecordBytes, first, count);
  return !beside || glGetError() == GL_NO_ERROR;
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

// The lighting draw's vertex k stands for the surface record k + kDoilyPaddedSize, so its
// neighbours are the records one row (kDoilyPaddedSize) and one column away; the first drawn
// vertex is the padded record of (first_row, -1), and the lit records keep the surface's layout.
// Captured with the bound program (the lighting program, or the helper's copy of it) on whichever
// context is current; leaves the arena's arrays bound.
GLuint light_rows(int32_t first_row, int32_t vertex_rows) {
  const int32_t count = vertex_rows * kDoilyPaddedSize;
  const GLuint lit =
      new_buffer(GL_TRANSFORM_FEEDBACK_BUFFER, static_cast<GLsizeiptr>(sizeof(Vertex)) * count,
                 nullptr, GL_STREAM_COPY);
  unbind_vertex_arrays();
  glBindBuffer(GL_ARRAY_BUFFER, g_surface.records);
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

void delete_piece_buffers(PassPiece* piece) {
  const GLuint buffers[2] = {piece->records, piece->quads};
  glDeleteBuffers(2, buffers);  // the driver keeps them until a queued draw no longer needs them
  piece->records = piece->quads = 0;
}

}  // namespace

namespace {

// The surface's buffers and its line of chunks, with the helper taking chunks from now on where
// `on_helper` and it can be had.
void begin_surface(bool on_helper) {
  SurfaceCapture& s = g_surface;
  s.points = padded_grid_points();
  s.records = new_buffer(GL_TRANSFORM_FEEDBACK_BUFFER, kSurfaceRecordBytes * kDoilyPaddedPoints,
                         nullptr, GL_STREAM_COPY);
  s.complete = false;
  if (gl_offers().feedback_objects) {
    glGenTransformFeedbacks(1, &s.feedback);
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, s.feedback);
  }
  open_line(&s.chunks, capture_surface_chunk, nullptr, kCaptureChunks, kCaptureChunks);
  s.on_helper = {g_programs.doily_surface, on_helper ? flushed_fence() : nullptr,
                 bind_surface_points, 0};
  if (on_helper) start_line_on_helper(&s.chunks, &s.on_helper);
}

}  // namespace

void begin_doily_surface() {
  if (g_programs.doily_captures && g_surface.records == 0) begin_surface(true);
}

void complete_doily_surface() {
  SurfaceCapture& s = g_surface;
  if (!g_programs.doily_captures || s.complete) return;
  // Not begun beside an earlier pass: this context captures it alone. Its first capture sets up
  // the driver's shader compiler, whose one-time set-up a helper starting at the same moment would
  // race for; the doily's pieces start on the helper afterwards.
  if (s.records == 0) begin_surface(false);
  glUseProgram(g_programs.doily_surface);
  bind_surface_points();
  finish_line(&s.chunks);
  bind_arena_arrays();
  delete_fence(s.on_helper.ready);
  s.complete = true;
}

void let_go_of_doily_surface() {
  delete_fence(g_pieces.on_helper.ready);  // the pieces' line has ended by now
  SurfaceCapture& s = g_surface;
  if (s.records == 0) return;
  cut_line(&s.chunks);
  delete_fence(s.on_helper.ready);
  const GLuint buffers[2] = {s.records, s.points};
  glDeleteBuffers(2, buffers);
  s.records = s.points = 0;
  if (s.feedback != 0) {
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
    glDeleteTransformFeedbacks(1, &s.feedback);
    s.feedback = 0;
  }
  s.complete = false;
}

GLuint light_doily_rows(int32_t first_row, int32_t vertex_rows) {
  glUseProgram(g_programs.doily_lighting);
  return light_rows(first_row, vertex_rows);
}

bool start_doily_pieces_on_helper(PieceLine* line) {
  if (!g_programs.doily_captures) return false;
  // Everything the helper reads is the complete surface: the window's context's chunks are behind
  // this fence.
  g_pieces.on_helper = {g_programs.doily_lighting, flushed_fence(), nullptr, 0};
  if (start_line_on_helper(line, &g_pieces.on_helper)) return true;
  delete_fence(g_pieces.on_helper.ready);
  return false;
}

bool make_doily_piece(PassPiece* piece, bool beside) {
  if (!g_programs.doily_captures) {
    piece->written = build_doily_piece(piece->first, piece->count);
    return true;
  }
  // The quad rows' lit vertices: one vertex row more than quad rows.
  piece->records = beside ? light_rows(piece->first, piece->count + 1)
                          : light_doily_rows(piece->first, piece->count + 1);
  const ArenaRange quads = build_doily_lit_quads(piece->first, piece->count);
  const uint32_t* drawn = nullptr;
  piece->quad_entries =
      entries_as_drawn(g_arena.indices + quads.first_index, quads.index_count, &drawn);
  piece->quads = new_buffer(GL_ELEMENT_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(sizeof(uint32_t)) * piece->quad_entries, drawn,
                            GL_STATIC_DRAW);
  if (!beside) return true;
  if (glGetError() != GL_NO_ERROR) {
    delete_piece_buffers(piece);
    return false;
  }
  piece->made = flushed_fence();
  return true;
}

// The lit vertices are drawn with the doily's plain program, which does what the doily program's
// vertex stage does with a non-zero normal: it keeps the captured position and colour and
// normalises the normal once more, which moves a few normals by a rounding step (81 pixels of the
// picture change by one level).
void draw_doily_piece(PassPiece* piece) {
  if (piece->records == 0) {
    const ArenaRange& grid = piece->written;
    draw_arena_quads(grid.first_index, grid.index_count, grid.first_vertex, grid.vertex_count);
    return;
  }
  if (piece->made != nullptr) glWaitSync(piece->made, 0, GL_TIMEOUT_IGNORED);
  delete_fence(piece->made);
  bind_record_buffer(piece->records);
  draw_quad_buffer(piece->quads, piece->quad_entries);
  bind_arena_arrays();
  delete_piece_buffers(piece);
}

void let_go_of_doily_piece(PassPiece* piece) {
  delete_fence(piece->made);
  delete_piece_buffers(piece);
}
