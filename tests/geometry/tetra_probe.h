// Reading tetrahedra back out of the arena: the four faces written from record `first` on.
#pragma once

#include <cstdint>
#include <map>
#include <tuple>

#include "geometry/arena.h"
#include "tests/geometry/tube_probe.h"

// Every edge of the four faces is walked exactly once in each direction.
inline bool tetrahedron_is_closed(int32_t first) {
  using Key = std::tuple<float, float, float>;
  auto key = [](const Point3& p) { return Key{p.x, p.y, p.z}; };
  std::map<std::pair<Key, Key>, int> walked;
  for (int f = 0; f < 4; ++f) {
    for (int e = 0; e < 3; ++e) {
      const Point3 a = position_of(first + 3 * f + e);
      const Point3 b = position_of(first + 3 * f + (e + 1) % 3);
      ++walked[{key(a), key(b)}];
    }
  }
  if (walked.size() != 12) return false;  // six edges, both ways, none degenerate
  for (const auto& [edge, times] : walked) {
    if (times != 1 || walked.count({edge.second, edge.first}) != 1) return false;
  }
  return true;
}

// The sign of each face normal against the direction from the solid's centre to the face's:
// +1 when all four point away from the centre, -1 when all four point towards it, 0 otherwise.
inline int tetrahedron_facing(int32_t first) {
  // Faces (p1, p2, p3) and (p1, p4, p2) hold all four corners.
  const Point3 corners[4] = {position_of(first), position_of(first + 1), position_of(first + 2),
                             position_of(first + 4)};
  double cx = 0, cy = 0, cz = 0;
  for (const Point3& p : corners) {
    cx += p.x / 4.0;
    cy += p.y / 4.0;
    cz += p.z / 4.0;
  }
  int outward = 0, inward = 0;
  for (int f = 0; f < 4; ++f) {
    const Point3 a = position_of(first + 3 * f), b = position_of(first + 3 * f + 1),
                 c = position_of(first + 3 * f + 2);
    const Point3 away = {static_cast<float>((a.x + b.x + c.x) / 3.0 - cx),
                         static_cast<float>((a.y + b.y + c.y) / 3.0 - cy),
                         static_cast<float>((a.z + b.z + c.z) / 3.0 - cz)};
    const double s = dot(normal_of(first + 3 * f), away);
    if (s > 0) ++outward;
    if (s < 0) ++inward;
  }
  return outward == 4 ? 1 : inward == 4 ? -1 : 0;
}

inline bool tetrahedron_faces_outward(int32_t first) {
  return tetrahedron_facing(first) == 1;
}
inline bool tetrahedron_faces_inward(int32_t first) {
  return tetrahedron_facing(first) == -1;
}
