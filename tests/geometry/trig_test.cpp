// The portable sine and cosine against glibc's: within their stated bound everywhere, and, for
// every argument the picture passes them, rounding to the same float, which is what the picture
// stores. The second check builds the whole scene with the two functions replaced by recording
// ones around the real code (compiled here in a namespace of its own), so no argument escapes it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "geometry/trig.h"
#include "tests/scene/checksums.h"

namespace built {
#include "geometry/trig.cpp"
}  // namespace built

namespace {

struct Recorded {
  std::vector<double> sin_arguments, cos_arguments;
};
Recorded g_recorded;

// Units in the last place between two doubles of the same sign.
int64_t ulps_apart(double a, double b) {
  int64_t ia, ib;
  std::memcpy(&ia, &a, sizeof a);
  std::memcpy(&ib, &b, sizeof b);
  return ia > ib ? ia - ib : ib - ia;
}

double glibc_sin(double x) {
  return std::sin(x);
}
double glibc_cos(double x) {
  return std::cos(x);
}

}  // namespace

double portable_sin(double x) {
  g_recorded.sin_arguments.push_back(x);
  return built::portable_sin(x);
}
double portable_cos(double x) {
  g_recorded.cos_arguments.push_back(x);
  return built::portable_cos(x);
}

TEST(PortableTrig, StaysWithinTwoUnitsOfGlibcAcrossItsRange) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> small(-8, 8),
      wide(-kPortableTrigLargest, kPortableTrigLargest);
  std::vector<double> xs = {
      0.0, -0.0, 1e-300, -1e-300, 1e-9, kPortableTrigLargest, -kPortableTrigLargest};
  for (int k = -64; k <= 64; ++k) xs.push_back(k * M_PI / 4);
  for (int i = 0; i < 1000000; ++i) xs.push_back(i % 2 ? small(random) : wide(random));
  int64_t worst = 0;
  for (double x : xs) {
    // Near a zero of the function, ulps of a tiny result say nothing: compare there against the
    // argument's scale instead.
    for (auto [mine, theirs] : {std::pair{built::portable_sin(x), glibc_sin(x)},
                                std::pair{built::portable_cos(x), glibc_cos(x)}}) {
      if (std::fabs(theirs) < 1e-6)
        ASSERT_NEAR(mine, theirs, 4e-16 * std::fmax(1.0, std::fabs(x))) << "x = " << x;
      else
        worst = std::max(worst, ulps_apart(mine, theirs));
    }
  }
  EXPECT_LE(worst, 2);
}

TEST(PortableTrig, EveryArgumentOfThePictureGivesGlibcsFloat) {
  g_recorded = {};
  scene_checksums();  // every object of the picture, built
  const size_t calls = g_recorded.sin_arguments.size() + g_recorded.cos_arguments.size();
  ASSERT_GT(calls, 10000u) << "the scene should call sine and cosine for every ring it sweeps";
  struct Function {
    const std::vector<double>* arguments;
    double (*mine)(double);
    double (*theirs)(double);
  };
  int differing = 0;
  for (const Function& f : {Function{&g_recorded.sin_arguments, built::portable_sin, glibc_sin},
                            Function{&g_recorded.cos_arguments, built::portable_cos, glibc_cos}})
    for (double x : *f.arguments)
      if (static_cast<float>(f.mine(x)) != static_cast<float>(f.theirs(x)) && ++differing <= 5)
        ADD_FAILURE() << "x = " << x << ": " << static_cast<float>(f.mine(x)) << " against glibc's "
                      << static_cast<float>(f.theirs(x));
  EXPECT_EQ(differing, 0) << "of " << calls << " calls";
  std::printf("%zu calls, every one the float glibc gives\n", calls);
}

TEST(PortableTrigDeathTest, RefusesArgumentsPastItsRange) {
  EXPECT_EQ(built::portable_sin(kPortableTrigLargest), std::sin(kPortableTrigLargest));
  const double past = std::nextafter(kPortableTrigLargest, INFINITY);
  EXPECT_DEATH(built::portable_sin(past), "portable_sin: \\|x\\| = 823549 is past");
  EXPECT_DEATH(built::portable_cos(-past), "portable_cos: .* is past the reduction's range");
  EXPECT_DEATH(built::portable_cos(NAN), "portable_cos: \\|x\\| = nan");
}
