// The table's legs and rim and the glass top, all chains of tube segments around vertical axes.
#include "scene/table.h"

#include "geometry/float_trig.h"
#include "geometry/tube.h"

namespace {

// Legs: the first stands 0.2 rad before +X, the rest follow 72 degrees apart.
constexpr double kFirstLegAngle = -0.2;

// A leg's profile: one full cosine turn over its height, so it is thick at foot and top and
// waisted a little below halfway, with five small ripples on top of that.
constexpr int kLegProfileSamples = kLegSegments + 1;
constexpr double kLegFootY = -300;  // the floor
constexpr double kLegProfileMean = 0.4;
constexpr double kLegProfileSwing = 0.2;
constexpr double kLegRippleSwing = 0.02;
constexpr float kLegRippleCount = 5;
constexpr float kLegRadiusScale = 40;  // profile 0.6 at foot and top: radius 24

// Rim: a closed outline in the (radius, height) plane swept around the table's axis. A circle of
// radius 10 about (200, kGlassTopY), split at its top and bottom, with its outer half pushed out
// by 40, so the flat top and underside join two rounded edges.
constexpr float kRimBendRadius = 10;
constexpr float kRimInnerRadius = 200;  // centre of the inner bend; the glass top's radius too
constexpr float kRimOuterShift = 40;    // outer bend centre at 240
constexpr int kRimOuterFirstEnd = 50;   // samples 0..50 and 151..200 lie on the outer bend
constexpr int kRimOuterSecondStart = 151;

// Glass top: a tube segment only 0.01 tall with no top radius is a flat disc.
constexpr float kGlassBottomY = -2.01f;
constexpr float kGlassRadius = kRimInnerRadius;

// A leg's profile sample p: its radius in units of kLegRadiusScale at y = -300 * (1 - p/200).
float leg_profile(int p) {
  const float t = static_cast<float>(2 * kPi * p / kLegProfileSamples);
  const double ripple = cos_f(kLegRippleCount * t + kPi / 2);
  return static_cast<float>(kLegProfileSwing * cos_f(t) + kLegProfileMean +
                            kLegRippleSwing * ripple);
}

float leg_height(int p) {
  return static_cast<float>(kLegFootY * (1 - static_cast<double>(p) / kLegProfileSamples));
}

//   top  y = -1.5   ( )      Segment p of leg j: radius 40 * profile[p] at y = -300 * (1 - p/200)
//                   ) (      to the next sample, around the axis at angle 2 pi j / 5 - 0.2.
//                  (   )     .
//   foot y = -300  (   )     199 segments * 1,200 = 238,800 vertices per leg.
TubeSegment leg_segment(int leg, int p) {
  const double theta = 2 * kPi * leg / kTableLegs + kFirstLegAngle;
  const float x = kLegCircleRadius * cos_f(theta);
  const float z = kLegCircleRadius * sin_f(theta);
  return {{x, leg_height(p), z},
          {x, leg_height(p + 1), z},
          kLegRadiusScale * leg_profile(p),
          kLegRadiusScale * leg_profile(p + 1)};
}

// Rim sample i of the closed outline: its height and radius.
float rim_height(int i) {
  const float t = static_cast<float>(i * kPi / (kRimSegments / 2));
  return kRimBendRadius * sin_f(t) + kGlassTopY;
}
float rim_radius(int i) {
  const float t = static_cast<float>(i * kPi / (kRimSegments / 2));
  const float r = kRimBendRadius * cos_f(t) + kRimInnerRadius;
  return i <= kRimOuterFirstEnd || i >= kRimOuterSecondStart ? r + kRimOuterShift : r;
}

// Rim segment i (1 .. 200) joins outline samples i - 1 and i.
TubeSegment rim_segment(int i) {
  return {{0, rim_height(i - 1), 0}, {0, rim_height(i), 0}, rim_radius(i - 1), rim_radius(i)};
}

TubeSegment table_segment(int32_t s) {
  const int32_t legs_end = kTableLegs * kLegSegments;
  if (s < legs_end) return leg_segment(s / kLegSegments, s % kLegSegments);
  return rim_segment(s - legs_end + 1);
}

}  // namespace

// Five legs, 199 segments each, then the rim's 200 segments:
// (5 * 199 + 200) segments * 1,200 = 1,434,000 vertices.
ArenaRange build_table_piece(int32_t first, int32_t count) {
  return emit_tube_segments(table_segment, first, count);
}

ArenaRange build_table() {
  return build_table_piece(0, kTableSegments);
}

//                (0, -2, 0), radius 0
//                  /  \                one segment, a cone 0.01 high: a disc of radius 200
//   --------------/----\--------------   seen from both sides.
//   (0, -2.01, 0), radius 200           1 segment * 1,200 = 1,200 vertices.
ArenaRange build_glass_top() {
  const int32_t start = g_arena.count;
  emit_tube_segment({0, kGlassBottomY, 0}, {0, kGlassTopY, 0}, kGlassRadius, 0);
  return triangles_since(start, g_arena.count);
}
