// The cage's walls and dome, every wire a chain of thin tube segments.
#include "scene/cage.h"

#include "geometry/float_trig.h"
#include "geometry/tube.h"

namespace {

// Bar positions are every other of 40 fortieths of a turn: 20 bars, 18 degrees apart, with a
// ring piece to the next one.
constexpr int kCageFortieths = 40;
constexpr int kCageBarStride = 2;
static_assert(kCageFortieths / kCageBarStride == kCagePositions, "one bar per position");
constexpr int32_t kTierZeroSegmentsPerPosition = 4;
constexpr int32_t kTierOneSegmentsPerPosition = 2;
constexpr int32_t kTierZeroSegments = kTierZeroSegmentsPerPosition * kCagePositions;
static_assert(kCageWallSegments ==
                  (kTierZeroSegmentsPerPosition + kTierOneSegmentsPerPosition) * kCagePositions,
              "the walls are the two tiers");
// Each rib is a quarter ellipse from the top ring (radius 125, height 150) to the apex, in
// kDomeSegments segments.
constexpr float kDomeBaseTiers = 2;  // the dome's ellipse is centred on the top ring's plane

// A point on the cage's circle at angle theta (radians) and height y.
Point3 on_cage_circle(double theta, float y) {
  return {kCageRadius * cos_f(theta), y, kCageRadius * sin_f(theta)};
}

TubeSegment wire(const Point3& base, const Point3& top) {
  return {base, top, kCageWireRadius, kCageWireRadius};
}

// Wall segment `piece` of the tier at bar position k (k = 0, 2, .., 38 in fortieths): tier 0 has
// a spoke, a bar, a ring piece at its top and a floor ring piece; tier 1 a bar and a ring piece.
TubeSegment wall_segment(int tier, int k, int piece) {
  const float y_low = kCageTierHeight * tier;
  const float y_high = kCageTierHeight * (tier + 1);
  const double theta = k * kPi / (kCageFortieths / 2);
  const double theta_next = (k + kCageBarStride) * kPi / (kCageFortieths / 2);
  if (tier == 1) piece += 1;  // no spoke
  switch (piece) {
    case 0:
      return wire(on_cage_circle(theta, 0), {0, 0, 0});
    case 1:
      return wire(on_cage_circle(theta, y_low), on_cage_circle(theta, y_high));
    case 2:
      return wire(on_cage_circle(theta_next, y_high), on_cage_circle(theta, y_high));
    default:
      return wire(on_cage_circle(theta_next, 0), on_cage_circle(theta, 0));
  }
}

// Step m of the rib at bar position k: from angle m to m + 1 of the quarter ellipse.
TubeSegment dome_segment(int m, int k) {
  const double phi0 = m * (kPi / 2) / kDomeSegments;
  const double phi1 = (m + 1) * (kPi / 2) / kDomeSegments;
  const float r0 = kCageRadius * cos_f(phi0);
  const float r1 = kCageRadius * cos_f(phi1);
  const float y0 = kCageTierHeight * (sin_f(phi0) + kDomeBaseTiers);
  const float y1 = kCageTierHeight * (sin_f(phi1) + kDomeBaseTiers);
  const double theta = k * kPi / (kCageFortieths / 2);
  const float c = cos_f(theta);
  const float s = sin_f(theta);
  return wire({r0 * c, y0, r0 * s}, {r1 * c, y1, r1 * s});
}

// The cage's segments in order: tier 0 position by position, tier 1 likewise, then the dome step
// by step, all 20 ribs per step.
TubeSegment cage_segment(int32_t s) {
  if (s < kTierZeroSegments)
    return wall_segment(0, kCageBarStride * (s / kTierZeroSegmentsPerPosition),
                        s % kTierZeroSegmentsPerPosition);
  if (s < kCageWallSegments) {
    const int32_t t = s - kTierZeroSegments;
    return wall_segment(1, kCageBarStride * (t / kTierOneSegmentsPerPosition),
                        t % kTierOneSegmentsPerPosition);
  }
  const int32_t d = s - kCageWallSegments;
  return dome_segment(d / kCagePositions, kCageBarStride * (d % kCagePositions));
}

}  // namespace

//          apex (0, 225, 0)
//         /   |   \             dome: 20 ribs * 200 segments
//   150 -+----+----+- ring       tier 1: 20 bars + 20 ring pieces
//        |    |    |
//    75 -+----+----+- ring       tier 0: 20 spokes + 20 bars + 20 ring pieces
//        |    |    |                     + 20 floor ring pieces
//     0 -+----+----+- floor ring
//         \   |   /              (80 + 40 + 4,000) segments * 1,200 = 4,944,000 vertices.
//        spokes to (0, 0, 0)
ArenaRange build_cage_piece(int32_t first, int32_t count) {
  return emit_tube_segments(cage_segment, first, count);
}

ArenaRange build_cage() {
  return build_cage_piece(0, kCageSegments);
}
