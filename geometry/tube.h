// The tube segment: the picture's one round primitive, a 100-sided open frustum between two axis
// points, each end with its own radius. Table legs, the rim, the glass disc and every cage wire are
// made of it.
//
// Owns: emit_tube_segment and the side angle table it shares between segments.
// May not: emit end caps, skip sides, or write anywhere but at the arena's write cursor.
#pragma once

#include <cstdint>

#include "geometry/arena.h"

constexpr int kTubeSides = 100;
// The float nearest 2*pi/100; the sides' angles are whole multiples of it, so the last side's far
// edge only meets the first side's near edge up to rounding.
constexpr float kTubeAngleStep = 0.06283186f;
constexpr int32_t kTubeTrianglesPerSide = 4;  // one quad, split in two, each half in both windings
constexpr int32_t kTubeVertices = kTubeSides * kTubeTrianglesPerSide * 3;

// One segment's axis from `base` to `top` and the radius at each end, for builders that list
// their segments one by one.
struct TubeSegment {
  Point3 base, top;
  float r_base, r_top;
};

// Appends kTubeVertices vertices: every side of the frustum from `base` (radius r_base) to `top`
// (radius r_top) as two triangles, each emitted once facing away from the axis and once towards
// it, so the open tube shows from inside and out with back faces culled. An axis of zero length or
// parallel to (1, 1, 1) has no side frame and gives non-finite points.
void emit_tube_segment(const Point3& base, const Point3& top, float r_base, float r_top);

// Appends segments first .. first + count - 1 of an object whose segments `segment` lists by
// number, and returns what it wrote: the same records whether the object goes in one piece or many.
ArenaRange emit_tube_segments(TubeSegment (*segment)(int32_t), int32_t first, int32_t count);
