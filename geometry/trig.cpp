// x = k pi/2 + r, |r| <= pi/4: k from x times 2/pi rounded to the nearest whole number, r from x
// less k times pi/2 split into three parts, each exactly representable, the first two with 33
// significant bits so that k times them is exact for |k| < 2^20, and x less k times the first is
// exact (the two lie within a factor of two of each other). Then sin r and cos r by their Taylor
// series to r^17 and r^16: on |r| <= pi/4 the first terms left out (r^19/19!, r^18/18!) are below
// 1e-19 and 3e-18, under a fiftieth of a unit in the last place of the result.
#include "geometry/trig.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kHalfPi1 = 0x1.921fb544p+0;        // pi/2's first 33 significant bits
constexpr double kHalfPi2 = 0x1.0b4611a6p-34;       // the next 33
constexpr double kHalfPi3 = 0x1.3198a2e037073p-69;  // the next 53

struct Reduced {
  double r;
  int quadrant;  // k mod 4
};

Reduced reduce(double x, const char* name) {
  if (!(std::fabs(x) <= kPortableTrigLargest)) {
    std::fprintf(stderr, "%s: |x| = %g is past the reduction's range (%g); keep angles small\n",
                 name, x, kPortableTrigLargest);
    std::abort();
  }
  const double k = std::nearbyint(x * kTwoOverPi);
  const double r = ((x - k * kHalfPi1) - k * kHalfPi2) - k * kHalfPi3;
  return {r, static_cast<int>(static_cast<long long>(k) & 3)};
}

double sin_series(double r) {
  const double z = r * r;
  return r + r * z *
                 (-1.0 / 6 +
                  z * (1.0 / 120 +
                       z * (-1.0 / 5040 +
                            z * (1.0 / 362880 + z * (-1.0 / 39916800 +
                                                     z * (1.0 / 6227020800 +
                                                          z * (-1.0 / 1307674368000 +
                                                               z * (1.0 / 355687428096000))))))));
}

double cos_series(double r) {
  const double z = r * r;
  return 1 + z * (-1.0 / 2 +
                  z * (1.0 / 24 +
                       z * (-1.0 / 720 +
                            z * (1.0 / 40320 +
                                 z * (-1.0 / 3628800 +
                                      z * (1.0 / 479001600 + z * (-1.0 / 87178291200 +
                                                                  z * (1.0 / 20922789888000))))))));
}

// sin of k pi/2 + r for k mod 4 = quadrant; cos x is sin of x + pi/2, one quadrant on.
double sine_in_quadrant(double r, int quadrant) {
  switch (quadrant & 3) {
    case 0:
      return sin_series(r);
    case 1:
      return cos_series(r);
    case 2:
      return -sin_series(r);
    default:
      return -cos_series(r);
  }
}

}  // namespace

double portable_sin(double x) {
  const Reduced a = reduce(x, "portable_sin");
  return sine_in_quadrant(a.r, a.quadrant);
}

double portable_cos(double x) {
  const Reduced a = reduce(x, "portable_cos");
  return sine_in_quadrant(a.r, a.quadrant + 1);
}
