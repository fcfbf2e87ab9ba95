// Tetrahedra and the ring sweep that places them.
#include "geometry/tetra.h"

#include "geometry/float_trig.h"

namespace {

// The four faces without a capacity check; callers reserve for all their tetrahedra at once.
inline void emit_reserved_tetrahedron(const Point3& p1, const Point3& p2, const Point3& p3,
                                      const Point3& p4) {
  emit_reserved_triangle(p1, p2, p3);
  emit_reserved_triangle(p1, p4, p2);
  emit_reserved_triangle(p1, p3, p4);
  emit_reserved_triangle(p2, p4, p3);
}

}  // namespace

//            p4
//           /|\           faces (p1, p2, p3), (p1, p4, p2), (p1, p3, p4), (p2, p4, p3):
//          / | \          each of the six edges is walked once in each direction.
//         /  p1 \        .
//        / /    \ \       4 triangles * 3 = 12 vertices.
//       p2 ------ p3
void emit_tetrahedron(const Point3& p1, const Point3& p2, const Point3& p3, const Point3& p4) {
  arena_reserve(kTetraVertices);
  emit_reserved_tetrahedron(p1, p2, p3, p4);
}

//   eps0     phi     eps1     One sector of the sweep, seen from above. The mid angle phi
//      \      |      /        carries the edge N-M (radii rb and ra), the sector's two edge
//       \     M     /         angles carry R0 and R1 (radius rc): tetrahedron (N, M, R0, R1).
//        \    N    /          .
//        R0 ----- R1          n sectors * 12 = 12n vertices.
void sweep_tetra_ring(float ra, float ya, float rb, float yb, float rc, float yc, int32_t n,
                      float start, float end) {
  if (n <= 0) return;
  arena_reserve(static_cast<int64_t>(n) * kTetraVertices);
  const float a0 = sweep_steps_to_radians(start);
  const float a1 = sweep_steps_to_radians(end);
  // Half a sector: sector k runs from 2k to 2k + 2 half-sectors with its middle at 2k + 1.
  const float step = (a1 - a0) / static_cast<float>(2 * n);
  for (int32_t k = 0; k < n; ++k) {
    const float phi = static_cast<float>(2 * k + 1) * step + a0;
    const float eps0 = static_cast<float>(2 * k) * step + a0;
    const float eps1 = static_cast<float>(2 * k + 2) * step + a0;
    const float c_phi = cos_f(phi), s_phi = sin_f(phi);
    const float c0 = cos_f(eps0), s0 = sin_f(eps0);
    const float c1 = cos_f(eps1), s1 = sin_f(eps1);
    const Point3 m = {ra * c_phi, ya, ra * s_phi};
    const Point3 nn = {rb * c_phi, yb, rb * s_phi};
    const Point3 r0 = {rc * c0, yc, rc * s0};
    const Point3 r1 = {rc * c1, yc, rc * s1};
    emit_reserved_tetrahedron(nn, m, r0, r1);
  }
}
