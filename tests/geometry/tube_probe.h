// Reading tube segments back out of the arena: a segment's side k starts at record
// first + 12 k with (P0, P1, Q0), and its third triangle is (P1, Q0, Q1).
#pragma once

#include <cstdint>

#include "geometry/arena.h"
#include "geometry/tube.h"

inline Point3 position_of(int32_t record) {
  const Vertex& v = g_arena.vertices[record];
  return {v.x, v.y, v.z};
}

inline Point3 normal_of(int32_t record) {
  const Vertex& v = g_arena.vertices[record];
  return {v.nx, v.ny, v.nz};
}

// Corner points of side k of the segment whose first record is `first`.
inline Point3 side_p0(int32_t first, int k) {
  return position_of(first + 12 * k);
}
inline Point3 side_p1(int32_t first, int k) {
  return position_of(first + 12 * k + 1);
}
inline Point3 side_q0(int32_t first, int k) {
  return position_of(first + 12 * k + 2);
}
inline Point3 side_q1(int32_t first, int k) {
  return position_of(first + 12 * k + 8);
}

// The centre of the segment's base (or top) ring: the mean of its 100 near-edge corners.
inline Point3 ring_centre(int32_t first, bool top) {
  double x = 0, y = 0, z = 0;
  for (int k = 0; k < kTubeSides; ++k) {
    const Point3 p = top ? side_q0(first, k) : side_p0(first, k);
    x += p.x;
    y += p.y;
    z += p.z;
  }
  return {static_cast<float>(x / kTubeSides), static_cast<float>(y / kTubeSides),
          static_cast<float>(z / kTubeSides)};
}

inline double dot(const Point3& a, const Point3& b) {
  return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y +
         static_cast<double>(a.z) * b.z;
}

inline double distance(const Point3& a, const Point3& b) {
  const Point3 d = a - b;
  return __builtin_sqrt(dot(d, d));
}
