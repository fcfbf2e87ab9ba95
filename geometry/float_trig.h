// Cosine and sine as the picture uses them: evaluated in double, the same on every platform
// (geometry/trig.h), and rounded to float before they scale anything, so each stored coordinate
// is one float rounding away from its exact value.
//
// Owns: kPi, cos_f, sin_f.
// May not: hold state.
#pragma once

#include "geometry/trig.h"

constexpr double kPi = 3.14159265358979323846;

// Float arguments widen exactly, so cos_f(x) for a float x is the float nearest cos(x).
inline float cos_f(double a) {
  return static_cast<float>(portable_cos(a));
}
inline float sin_f(double a) {
  return static_cast<float>(portable_sin(a));
}
