// Tube segments: side frame, side corners and the four triangles of each side.
//
// The picture has about 5,300 segments, nearly all of the arena's vertices. What every segment
// shares, the sides' cosines and sines, is computed once; the rest runs over all 100 sides at a
// time in plain arrays, which the compiler turns into vector arithmetic, before the records are
// written. Every coordinate and normal comes out bit for bit as one side at a time through
// emit_triangle would give it: the same float operations in the same order, only batched.
#include "geometry/tube.h"

#include "geometry/float_trig.h"

namespace {

// Any fixed direction off the picture's axes serves to start the side frame.
constexpr Point3 kFrameSeed = {128, 128, 128};

// Side i spans the angles theta0 = i * step and theta1 = theta0 + step, both rounded to float.
// theta1 of one side is not always the next side's theta0, so both ends get their own entries.
struct SideAngles {
  float c0[kTubeSides], s0[kTubeSides];  // near edge
  float c1[kTubeSides], s1[kTubeSides];  // far edge
};

SideAngles make_side_angles() {
  SideAngles a;
  for (int i = 0; i < kTubeSides; ++i) {
    const float theta0 = static_cast<float>(i) * kTubeAngleStep;
    const float theta1 = theta0 + kTubeAngleStep;
    a.c0[i] = cos_f(theta0);
    a.s0[i] = sin_f(theta0);
    a.c1[i] = cos_f(theta1);
    a.s1[i] = sin_f(theta1);
  }
  return a;
}

const SideAngles& side_angles() {
  static const SideAngles angles = make_side_angles();
  return angles;
}

// One coordinate of a point or direction for all sides.
using SideFloats = float[kTubeSides];

struct SideCorners {
  SideFloats p0x, p0y, p0z, p1x, p1y, p1z, q0x, q0y, q0z, q1x, q1y, q1z;
};

struct SideNormals {
  SideFloats x, y, z;
};

// corner = centre + r * (c * u + s * w), per side, in the order Point3's operators evaluate it.
void ring_corners(const Point3& centre, float r, const Point3& u, const Point3& w,
                  const SideFloats& c, const SideFloats& s, SideFloats& x, SideFloats& y,
                  SideFloats& z) {
  for (int i = 0; i < kTubeSides; ++i) {
    x[i] = centre.x + r * (c[i] * u.x + s[i] * w.x);
    y[i] = centre.y + r * (c[i] * u.y + s[i] * w.y);
    z[i] = centre.z + r * (c[i] * u.z + s[i] * w.z);
  }
}

// unit_normal(b - a, c - a) per side: the facet normal of triangle (a, b, c). When `twin` is
// given it also receives the normal of (a, c, b): its cross product has the same two products in
// each component subtracted the other way round and the same length, so it costs only the
// subtractions and divisions.
void facet_normals(const SideFloats& ax, const SideFloats& ay, const SideFloats& az,
                   const SideFloats& bx, const SideFloats& by, const SideFloats& bz,
                   const SideFloats& cx, const SideFloats& cy, const SideFloats& cz, SideNormals& n,
                   SideNormals* twin) {
  for (int i = 0; i < kTubeSides; ++i) {
    const float e1x = bx[i] - ax[i], e1y = by[i] - ay[i], e1z = bz[i] - az[i];
    const float e2x = cx[i] - ax[i], e2y = cy[i] - ay[i], e2z = cz[i] - az[i];
    const float x = e1y * e2z - e1z * e2y;
    const float y = e1z * e2x - e1x * e2z;
    const float z = e1x * e2y - e1y * e2x;
    const float len = __builtin_sqrtf(x * x + y * y + z * z);
    n.x[i] = x / len;
    n.y[i] = y / len;
    n.z[i] = z / len;
    if (twin != nullptr) {
      twin->x[i] = (e1z * e2y - e1y * e2z) / len;
      twin->y[i] = (e1x * e2z - e1z * e2x) / len;
      twin->z[i] = (e1y * e2x - e1x * e2y) / len;
    }
  }
}

// A record goes out as three stores, not ten: the constant colour, the normal with x, then y
// and z. Vertex is ten packed floats, so these cover it exactly.
using Float4 = float __attribute__((vector_size(16)));
using Float2 = float __attribute__((vector_size(8)));
static_assert(sizeof(Vertex) == sizeof(Float4) * 2 + sizeof(Float2), "Vertex is ten floats");

inline void emit_record(Vertex* v, const SideNormals& n, int i, const SideFloats& x,
                        const SideFloats& y, const SideFloats& z) {
  const Float4 colour = {1, 1, 1, 1};
  const Float4 normal_and_x = {n.x[i], n.y[i], n.z[i], x[i]};
  const Float2 y_and_z = {y[i], z[i]};
  char* bytes = reinterpret_cast<char*>(v);
  __builtin_memcpy(bytes, &colour, sizeof colour);
  __builtin_memcpy(bytes + sizeof colour, &normal_and_x, sizeof normal_and_x);
  __builtin_memcpy(bytes + 2 * sizeof colour, &y_and_z, sizeof y_and_z);
}

}  // namespace

//        Q0 ------- Q1        top ring, radius r_top
//        |  \    B   |        A = (P0, P1, Q0) and B = (P1, Q1, Q0) face away from the axis;
//        |    \      |        each is emitted again reversed, facing it.
//        |  A   \    |
//        P0 ------- P1        base ring, radius r_base
//
// 100 sides * 4 triangles * 3 = 1,200 vertices.
ArenaRange emit_tube_segments(TubeSegment (*segment)(int32_t), int32_t first, int32_t count) {
  const int32_t start = g_arena.count;
  for (int32_t s = first; s < first + count; ++s) {
    const TubeSegment t = segment(s);
    emit_tube_segment(t.base, t.top, t.r_base, t.r_top);
  }
  return triangles_since(start, g_arena.count);
}

void emit_tube_segment(const Point3& base, const Point3& top, float r_base, float r_top) {
  arena_reserve(kTubeVertices);
  const Point3 d = top - base;
  const Point3 u = unit_normal(d, kFrameSeed);
  const Point3 w = unit_normal(d, u);
  const SideAngles& a = side_angles();

  SideCorners p;
  ring_corners(base, r_base, u, w, a.c0, a.s0, p.p0x, p.p0y, p.p0z);
  ring_corners(base, r_base, u, w, a.c1, a.s1, p.p1x, p.p1y, p.p1z);
  ring_corners(top, r_top, u, w, a.c0, a.s0, p.q0x, p.q0y, p.q0z);
  ring_corners(top, r_top, u, w, a.c1, a.s1, p.q1x, p.q1y, p.q1z);

  // Emission order per side: (P0, P1, Q0), (P1, P0, Q0), (P1, Q0, Q1), (P1, Q1, Q0).
  SideNormals n0, n1, n2, n3;
  facet_normals(p.p0x, p.p0y, p.p0z, p.p1x, p.p1y, p.p1z, p.q0x, p.q0y, p.q0z, n0, nullptr);
  facet_normals(p.p1x, p.p1y, p.p1z, p.p0x, p.p0y, p.p0z, p.q0x, p.q0y, p.q0z, n1, nullptr);
  facet_normals(p.p1x, p.p1y, p.p1z, p.q0x, p.q0y, p.q0z, p.q1x, p.q1y, p.q1z, n2, &n3);

  const int32_t first = g_arena.count;
  Vertex* v = &g_arena.vertices[first];
  for (int i = 0; i < kTubeSides; ++i, v += 12) {
    emit_record(v + 0, n0, i, p.p0x, p.p0y, p.p0z);
    emit_record(v + 1, n0, i, p.p1x, p.p1y, p.p1z);
    emit_record(v + 2, n0, i, p.q0x, p.q0y, p.q0z);
    emit_record(v + 3, n1, i, p.p1x, p.p1y, p.p1z);
    emit_record(v + 4, n1, i, p.p0x, p.p0y, p.p0z);
    emit_record(v + 5, n1, i, p.q0x, p.q0y, p.q0z);
    emit_record(v + 6, n2, i, p.p1x, p.p1y, p.p1z);
    emit_record(v + 7, n2, i, p.q0x, p.q0y, p.q0z);
    emit_record(v + 8, n2, i, p.q1x, p.q1y, p.q1z);
    emit_record(v + 9, n3, i, p.p1x, p.p1y, p.p1z);
    emit_record(v + 10, n3, i, p.q1x, p.q1y, p.q1z);
    emit_record(v + 11, n3, i, p.q0x, p.q0y, p.q0z);
  }
  uint32_t* index = &g_arena.indices[first];
  for (int32_t j = 0; j < kTubeVertices; ++j) index[j] = static_cast<uint32_t>(first + j);
  g_arena.count = first + kTubeVertices;
}
