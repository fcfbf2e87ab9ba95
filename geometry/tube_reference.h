// A plain tube segment, one side at a time with its own calls of the trigonometry and four
// emit_triangle calls, exactly as the segment is defined. The tests hold the arena's tube segment
// to it bit for bit and the benchmark times it.
#pragma once

#include "geometry/arena.h"
#include "geometry/float_trig.h"

inline void reference_tube_segment(const Point3& base, const Point3& top, float r_base,
                                   float r_top) {
  const Point3 d = top - base;
  const Point3 u = unit_normal(d, {128, 128, 128});
  const Point3 w = unit_normal(d, u);
  for (int i = 0; i < 100; ++i) {
    const float theta0 = static_cast<float>(i) * 0.06283186f;
    const float theta1 = theta0 + 0.06283186f;
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
    emit_triangle(p0, p1, q0);
    emit_triangle(p1, p0, q0);
    emit_triangle(p1, q0, q1);
    emit_triangle(p1, q1, q0);
  }
}
