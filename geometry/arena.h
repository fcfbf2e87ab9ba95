// The geometry arena: every vertex and index of the picture, in one fixed block of process data.
//
// Owns: Point3, Vertex, ArenaRange, the arena (g_arena), unit_normal, emit_triangle, the rewind
// of its reused span and the cut of an object into pieces.
// May not: allocate, include a GL header or issue GL calls (the frame draws what the builders
// report they wrote), or move the write cursor anywhere but forward and back to the start of the
// span or of its second half.
#pragma once

#include <cstdint>

struct Point3 {
  float x, y, z;
};

// One interleaved record in GL_C4F_N3F_V3F order: colour RGBA, normal xyz, position xyz.
struct Vertex {
  float r, g, b, a;
  float nx, ny, nz;
  float x, y, z;
};
static_assert(sizeof(Vertex) == 40, "Vertex must match the 40-byte GL_C4F_N3F_V3F record");

constexpr int32_t kArenaVertexCapacity = 8000000;
// A triangle record has exactly one index entry, so the triangle builders can never need more
// entries than records, and arena_reserve's check of the records covers both. The doily grid, the
// only other writer of index entries, needs four per quad (3,992,004 for the whole grid); its
// header checks that against this capacity at compile time.
constexpr int32_t kArenaIndexCapacity = kArenaVertexCapacity;

struct GeometryArena {
  Vertex vertices[kArenaVertexCapacity];
  uint32_t indices[kArenaIndexCapacity];
  // Vertices (and index entries) written by emit_triangle since the last rewind. The write cursor
  // is &vertices[count].
  int32_t count;
};

// Zero-filled memory (about 352 MB of address space, reserved as the program loads) drawn straight
// from client memory. The frame uses only a span at its start, rewound for every piece it builds
// and draws, so the pages the kernel must clear and map are those of the largest piece, touched
// once. Where the address space is too small to reserve it (ulimit -v), the program ends before
// main with one line saying so, and status 1. In WebAssembly it is static data instead: the
// module's memory is reserved and zeroed whole as the page loads it. The build picks the storage
// (arena_storage_mmap.cpp, arena_storage_static.cpp).
extern GeometryArena& g_arena;

// What a builder wrote: records first_vertex .. first_vertex + vertex_count - 1, and index entries
// first_index .. first_index + index_count - 1, which name those records. A draw submits exactly
// this range.
struct ArenaRange {
  int32_t first_vertex, vertex_count;
  int32_t first_index, index_count;
};

// The triangles written since record `first`: every triangle vertex has its own record and index
// entry k holds k, so both ranges are the same.
inline ArenaRange triangles_since(int32_t first, int32_t end) {
  return {first, end - first, first, end - first};
}

// Moves the write cursor back to record 0, so the next piece reuses the span's pages. What was
// there must have been drawn: GL copies client arrays when the draw call is made.
inline void arena_rewind() {
  g_arena.count = 0;
}

// Moves the write cursor back to `record`, where a second half of the span starts, so that one
// piece can be built there while the piece in the first half is drawn. The same rule holds: what
// was there must have been drawn.
inline void arena_rewind_to(int32_t record) {
  g_arena.count = record;
}

// Cuts `items` (tube segments, quad rows, ...) into pieces of at most `per_piece`, in order, and
// for each rewinds the arena and calls piece(first, count). Every object the frame builds passes
// through the arena this way.
template <typename Piece>
void for_each_piece(int32_t items, int32_t per_piece, Piece&& piece) {
  for (int32_t first = 0; first < items; first += per_piece) {
    arena_rewind();
    piece(first, items - first < per_piece ? items - first : per_piece);
  }
}

inline Point3 operator-(const Point3& a, const Point3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Point3 operator+(const Point3& a, const Point3& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Point3 operator*(float s, const Point3& a) {
  return {s * a.x, s * a.y, s * a.z};
}

// a x b, each component rounded to float, divided component-wise by its float length. A zero cross
// product gives a non-finite result; such a triangle has no area and draws nothing.
inline Point3 unit_normal(const Point3& a, const Point3& b) {
  const float x = a.y * b.z - a.z * b.y;
  const float y = a.z * b.x - a.x * b.z;
  const float z = a.x * b.y - a.y * b.x;
  const float len = __builtin_sqrtf(x * x + y * y + z * z);
  return {x / len, y / len, z / len};
}

// Has the kernel map the pages of the first `records` records and index entries, without changing
// what they hold: each page gets an atomic add of zero. Another thread may run it while the arena
// is otherwise unused, so that the first writes there take no page faults.
void map_arena_span(int32_t records);

// Gives the arena's pages back to the kernel once nothing will be built or drawn from it again:
// what it held reads as zero afterwards, and maps again if written.
void give_back_arena_pages();

// Aborts with both numbers when `vertices` more records would pass the arena's capacity. Callers
// reserve once per primitive, so the per-vertex writes below stay free of checks.
void arena_reserve(int64_t vertices);

// Appends one flat-shaded triangle at the write cursor without a capacity check: the caller has
// reserved room for it. The normal faces the side from which a, b, c run counter-clockwise.
inline void emit_reserved_triangle(const Point3& a, const Point3& b, const Point3& c) {
  const int32_t k = g_arena.count;
  const Point3 n = unit_normal(b - a, c - a);
  Vertex* v = &g_arena.vertices[k];
  v[0] = {1, 1, 1, 1, n.x, n.y, n.z, a.x, a.y, a.z};
  v[1] = {1, 1, 1, 1, n.x, n.y, n.z, b.x, b.y, b.z};
  v[2] = {1, 1, 1, 1, n.x, n.y, n.z, c.x, c.y, c.z};
  uint32_t* i = &g_arena.indices[k];
  i[0] = static_cast<uint32_t>(k);
  i[1] = static_cast<uint32_t>(k + 1);
  i[2] = static_cast<uint32_t>(k + 2);
  g_arena.count = k + 3;
}

//  a ---- b     3 vertices, 3 indices (k, k+1, k+2): nothing is shared between triangles.
//   \    /
//    \  /
//     c
inline void emit_triangle(const Point3& a, const Point3& b, const Point3& c) {
  arena_reserve(3);
  emit_reserved_triangle(a, b, c);
}
