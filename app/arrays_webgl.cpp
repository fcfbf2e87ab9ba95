// WebGL 2's arrays: no client arrays, so the arena's records a draw reads are first sent to one
// buffer object kept for them, and no quads, so each quad becomes two triangles split on the
// diagonal the desktop driver splits it on (geometry/quads.h). The programs read the colour, normal
// and position as the attributes the ES texts name, at fixed locations.
#include "app/arrays.h"

#include <vector>

#include "geometry/arena.h"
#include "geometry/quads.h"
#include "shading/es_texts.h"

namespace {

constexpr GLsizei kRecordBytes = sizeof(Vertex);
constexpr GLuint kRecordInputs[3] = {kEsColorLocation, kEsNormalLocation, kEsVertexLocation};
static_assert(sizeof(Vertex) == 10 * sizeof(float), "records are GL_C4F_N3F_V3F");

struct WebglArrays {
  GLuint records = 0;  // the arena records of the latest draw
  GLuint entries = 0;  // the triangle entries of the latest arena quads
  // Room for quads split into triangles: the records they name are sent from the first one on, so
  // the entries are rewritten to count from there.
  std::vector<uint32_t> triangles;
};
WebglArrays g_arrays;

// Colour, normal and position from `buffer`'s records, from its start on.
void point_inputs_at(GLuint buffer) {
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glVertexAttribPointer(kEsColorLocation, 4, GL_FLOAT, GL_FALSE, kRecordBytes, nullptr);
  glVertexAttribPointer(kEsNormalLocation, 3, GL_FLOAT, GL_FALSE, kRecordBytes,
                        reinterpret_cast<const void*>(offsetof(Vertex, nx)));
  glVertexAttribPointer(kEsVertexLocation, 3, GL_FLOAT, GL_FALSE, kRecordBytes,
                        reinterpret_cast<const void*>(offsetof(Vertex, x)));
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  for (GLuint location : kRecordInputs) glEnableVertexAttribArray(location);
}

// Sends arena records first .. first + count - 1 to the records buffer, which then holds them
// alone, from its start.
void send_arena_records(int32_t first, int32_t count) {
  glBindBuffer(GL_ARRAY_BUFFER, g_arrays.records);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(kRecordBytes) * count,
               g_arena.vertices + first, GL_STREAM_DRAW);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
}

}  // namespace

void bind_arena_arrays() {
  if (g_arrays.records == 0) glGenBuffers(1, &g_arrays.records);
  point_inputs_at(g_arrays.records);
}

void bind_record_buffer(GLuint buffer) {
  point_inputs_at(buffer);
}

void bind_point_buffer(GLuint buffer) {
  glDisableVertexAttribArray(kEsColorLocation);
  glDisableVertexAttribArray(kEsNormalLocation);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glVertexAttribPointer(kEsVertexLocation, 2, GL_SHORT, GL_FALSE, 0, nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glEnableVertexAttribArray(kEsVertexLocation);
}

void unbind_vertex_arrays() {
  for (GLuint location : kRecordInputs) glDisableVertexAttribArray(location);
}

void draw_arena_triangles(int32_t first, int32_t count) {
  send_arena_records(first, count);
  glDrawArrays(GL_TRIANGLES, 0, count);
}

void draw_arena_quads(int32_t first_entry, int32_t count, int32_t first_record, int32_t records) {
  send_arena_records(first_record, records);
  const uint32_t* drawn = nullptr;
  const int32_t held = entries_as_drawn(g_arena.indices + first_entry, count, &drawn);
  // The triangles are in g_arrays.triangles, naming arena records: counted from the first sent.
  for (uint32_t& entry : g_arrays.triangles) entry -= static_cast<uint32_t>(first_record);
  if (g_arrays.entries == 0) glGenBuffers(1, &g_arrays.entries);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, g_arrays.entries);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof(uint32_t)) * held, drawn,
               GL_STREAM_DRAW);
  glDrawElements(GL_TRIANGLES, held, GL_UNSIGNED_INT, nullptr);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

int32_t entries_as_drawn(const uint32_t* entries, int32_t count, const uint32_t** drawn) {
  std::vector<uint32_t>& triangles = g_arrays.triangles;
  triangles.resize(static_cast<size_t>(count / kQuadEntries * kQuadTriangleEntries));
  *drawn = triangles.data();
  return split_quads(entries, count, triangles.data());
}

void draw_quad_buffer(GLuint buffer, int32_t held) {
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
  glDrawElements(GL_TRIANGLES, held, GL_UNSIGNED_INT, nullptr);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}
