// Tetrahedra and rings of them around the vertical axis: the swan's feathers.
//
// Owns: emit_tetrahedron, sweep_tetra_ring and the angle unit of their sweeps.
// May not: write anywhere but at the arena's write cursor, or choose which way a tetrahedron's
// faces turn (that follows from the order of its points).
#pragma once

#include <cstdint>

#include "geometry/arena.h"
#include "geometry/float_trig.h"

constexpr int32_t kTetraVertices = 4 * 3;  // four faces
// Sweep angles count in 1/240 of a turn (1.5 degrees), so a full turn and a little more fit in a
// byte.
constexpr double kSweepStepsPerHalfTurn = 120;

// A sweep angle in radians, worked out in double and rounded to float.
inline float sweep_steps_to_radians(float steps) {
  return static_cast<float>(static_cast<double>(steps) * kPi / kSweepStepsPerHalfTurn);
}

// Appends the four faces (p1, p2, p3), (p1, p4, p2), (p1, p3, p4), (p2, p4, p3). Every edge runs
// once each way, so the solid is closed; its faces turn outward when p4 lies on the side of
// (p1, p2, p3) that the face's normal points away from, inward otherwise.
void emit_tetrahedron(const Point3& p1, const Point3& p2, const Point3& p3, const Point3& p4);

// Appends n tetrahedra, one per sector of the turn about the Y axis from `start` to `end` (in
// 1/240 of a turn; an end below the start turns the other way). Each is spanned by the sector's
// mid-angle edge from (ra, ya) to (rb, yb) and its rim edge at (rc, yc), the three being
// (radius, height) pairs. n <= 0 appends nothing.
void sweep_tetra_ring(float ra, float ya, float rb, float yb, float rc, float yc, int32_t n,
                      float start, float end);
