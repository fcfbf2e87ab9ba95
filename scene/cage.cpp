// The cage's walls and dome, every wire a chain of thin tube segments.
#include "scene/cage.h"

#include "geometry/float_trig.h"
#include "geometry/tube.h"

namespace {

constexpr int kCageTiers = 2;
// Bar positions are every other of 40 fortieths of a turn: 20 bars, 18 degrees apart, with a
// ring piece to the next one.
constexpr int kCageFortieths = 40;
constexpr int kCageBarStride = 2;
// Each rib is a quarter ellipse from the top ring (radius 125, height 150) to the apex, in this
// many segments.
constexpr int kDomeSegments = 200;
constexpr float kDomeBaseTiers = 2;  // the dome's ellipse is centred on the top ring's plane

// A point on the cage's circle at angle theta (radians) and height y.
Point3 on_cage_circle(double theta, float y) {
  return {kCageRadius * cos_f(theta), y, kCageRadius * sin_f(theta)};
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
void build_cage() {
  const Point3 floor_centre = {0, 0, 0};
  for (int tier = 0; tier < kCageTiers; ++tier) {
    const float y_low = kCageTierHeight * tier;
    const float y_high = kCageTierHeight * (tier + 1);
    for (int k = 0; k < kCageFortieths; k += kCageBarStride) {
      const double theta = k * kPi / (kCageFortieths / 2);
      const double theta_next = (k + kCageBarStride) * kPi / (kCageFortieths / 2);
      if (tier == 0)
        emit_tube_segment(on_cage_circle(theta, 0), floor_centre, kCageWireRadius, kCageWireRadius);
      emit_tube_segment(on_cage_circle(theta, y_low), on_cage_circle(theta, y_high),
                        kCageWireRadius, kCageWireRadius);
      emit_tube_segment(on_cage_circle(theta_next, y_high), on_cage_circle(theta, y_high),
                        kCageWireRadius, kCageWireRadius);
      if (tier == 0)
        emit_tube_segment(on_cage_circle(theta_next, 0), on_cage_circle(theta, 0), kCageWireRadius,
                          kCageWireRadius);
    }
  }

  for (int m = 0; m < kDomeSegments; ++m) {
    const double phi0 = m * (kPi / 2) / kDomeSegments;
    const double phi1 = (m + 1) * (kPi / 2) / kDomeSegments;
    const float r0 = kCageRadius * cos_f(phi0);
    const float r1 = kCageRadius * cos_f(phi1);
    const float y0 = kCageTierHeight * (sin_f(phi0) + kDomeBaseTiers);
    const float y1 = kCageTierHeight * (sin_f(phi1) + kDomeBaseTiers);
    for (int k = 0; k < kCageFortieths; k += kCageBarStride) {
      const double theta = k * kPi / (kCageFortieths / 2);
      const float c = cos_f(theta);
      const float s = sin_f(theta);
      emit_tube_segment({r0 * c, y0, r0 * s}, {r1 * c, y1, r1 * s}, kCageWireRadius,
                        kCageWireRadius);
    }
  }
}
