// The table's legs and rim and the glass top, all chains of tube segments around vertical axes.
#include "scene/table.h"

#include "geometry/float_trig.h"
#include "geometry/tube.h"

namespace {

// Legs: the first stands 0.2 rad before +X, the rest follow 72 degrees apart.
constexpr double kFirstLegAngle = -0.2;

// A leg's profile: one full cosine turn over its height, so it is thick at foot and top and
// waisted a little below halfway, with five small ripples on top of that.
constexpr int kLegProfileSamples = 200;
constexpr int kLegSegments = kLegProfileSamples - 1;
constexpr double kLegFootY = -300;  // the floor
constexpr double kLegProfileMean = 0.4;
constexpr double kLegProfileSwing = 0.2;
constexpr double kLegRippleSwing = 0.02;
constexpr float kLegRippleCount = 5;
constexpr float kLegRadiusScale = 40;  // profile 0.6 at foot and top: radius 24

// Rim: a closed outline in the (radius, height) plane swept around the table's axis. A circle of
// radius 10 about (200, kGlassTopY), split at its top and bottom, with its outer half pushed out
// by 40, so the flat top and underside join two rounded edges.
constexpr int kRimSegments = 200;
constexpr float kRimBendRadius = 10;
constexpr float kRimInnerRadius = 200;  // centre of the inner bend; the glass top's radius too
constexpr float kRimOuterShift = 40;    // outer bend centre at 240
constexpr int kRimOuterFirstEnd = 50;   // samples 0..50 and 151..200 lie on the outer bend
constexpr int kRimOuterSecondStart = 151;

// Glass top: a tube segment only 0.01 tall with no top radius is a flat disc.
constexpr float kGlassBottomY = -2.01f;
constexpr float kGlassRadius = kRimInnerRadius;

}  // namespace

// Five legs, 199 segments each, then the rim's 200 segments:
// (5 * 199 + 200) segments * 1,200 = 1,434,000 vertices.
void build_table() {
  for (int j = 0; j < kTableLegs; ++j) {
    const double theta = 2 * kPi * j / kTableLegs + kFirstLegAngle;
    build_table_leg(kLegCircleRadius * cos_f(theta), kLegCircleRadius * sin_f(theta));
  }

  float rim_y[kRimSegments + 1];
  float rim_r[kRimSegments + 1];
  for (int i = 0; i <= kRimSegments; ++i) {
    const float t = static_cast<float>(i * kPi / (kRimSegments / 2));
    rim_y[i] = kRimBendRadius * sin_f(t) + kGlassTopY;
    rim_r[i] = kRimBendRadius * cos_f(t) + kRimInnerRadius;
    if (i <= kRimOuterFirstEnd || i >= kRimOuterSecondStart) rim_r[i] += kRimOuterShift;
  }
  for (int i = 1; i <= kRimSegments; ++i)
    emit_tube_segment({0, rim_y[i - 1], 0}, {0, rim_y[i], 0}, rim_r[i - 1], rim_r[i]);
}

//   top  y = -1.5   ( )      radius 40 * profile[p] at y = -300 * (1 - p/200)
//                   ) (      .
//                  (   )     199 segments * 1,200 = 238,800 vertices.
//   foot y = -300  (   )
void build_table_leg(float x, float z) {
  float profile[kLegProfileSamples];
  for (int p = 0; p < kLegProfileSamples; ++p) {
    const float t = static_cast<float>(2 * kPi * p / kLegProfileSamples);
    const double ripple = cos_f(kLegRippleCount * t + kPi / 2);
    profile[p] = static_cast<float>(kLegProfileSwing * cos_f(t) + kLegProfileMean +
                                    kLegRippleSwing * ripple);
  }
  for (int p = 0; p < kLegSegments; ++p) {
    const float y0 =
        static_cast<float>(kLegFootY * (1 - static_cast<double>(p) / kLegProfileSamples));
    const float y1 =
        static_cast<float>(kLegFootY * (1 - static_cast<double>(p + 1) / kLegProfileSamples));
    emit_tube_segment({x, y0, z}, {x, y1, z}, kLegRadiusScale * profile[p],
                      kLegRadiusScale * profile[p + 1]);
  }
}

//                (0, -2, 0), radius 0
//                  /  \                one segment, a cone 0.01 high: a disc of radius 200
//   --------------/----\--------------   seen from both sides.
//   (0, -2.01, 0), radius 200           1 segment * 1,200 = 1,200 vertices.
void build_glass_top() {
  emit_tube_segment({0, kGlassBottomY, 0}, {0, kGlassTopY, 0}, kGlassRadius, 0);
}
