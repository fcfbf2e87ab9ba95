// Tube segments: side frame, side corners and the four triangles of each side.
#include "geometry/tube.h"

#include "geometry/float_trig.h"

namespace {

// Any fixed direction off the picture's axes serves to start the side frame.
constexpr Point3 kFrameSeed = {128, 128, 128};

}  // namespace

//        Q0 ------- Q1        top ring, radius r_top
//        |  \    B   |        A = (P0, P1, Q0) and B = (P1, Q1, Q0) face away from the axis;
//        |    \      |        each is emitted again reversed, facing it.
//        |  A   \    |
//        P0 ------- P1        base ring, radius r_base
//
// 100 sides * 4 triangles * 3 = 1,200 vertices.
void emit_tube_segment(const Point3& base, const Point3& top, float r_base, float r_top) {
  arena_reserve(kTubeVertices);
  const Point3 d = top - base;
  const Point3 u = unit_normal(d, kFrameSeed);
  const Point3 w = unit_normal(d, u);
  for (int i = 0; i < kTubeSides; ++i) {
    const float theta0 = static_cast<float>(i) * kTubeAngleStep;
    const float theta1 = theta0 + kTubeAngleStep;
    const float c0 = cos_f(theta0);
    const float s0 = sin_f(theta0);
    const float c1 = cos_f(theta1);
    const float s1 = sin_f(theta1);
    const Point3 g0 = c0 * u + s0 * w;
    const Point3 g1 = c1 * u + s1 * w;
    const Point3 p0 = base + r_base * g0;
    const Point3 p1 = base + r_base * g1;
    const Point3 q0 = top + r_top * g0;
    const Point3 q1 = top + r_top * g1;
    write_triangle(p0, p1, q0);
    write_triangle(p1, p0, q0);
    write_triangle(p1, q0, q1);
    write_triangle(p1, q1, q0);
  }
}
