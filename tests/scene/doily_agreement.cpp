// The comparison of captured doily vertices with the CPU reference.
#include "tests/scene/doily_agreement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>

#include "app/arrays.h"
#include "app/draw.h"
#include "scene/doily.h"
#include "tests/lib/gl_util.h"

void widen(float& worst, float difference) {
  if (!(difference <= worst)) worst = difference;  // a NaN difference sticks
}

namespace {

bool all_finite(const CapturedVertex& c) {
  const float* f = c.a;
  return std::all_of(f, f + 10, [](float x) { return std::isfinite(x); });
}

// How far one captured vertex is from the reference, per output; NaN when either side is NaN.
struct Deviation {
  float position = 0, normal = 0, colour = 0;
};
Deviation deviation(const CapturedVertex& got, const DoilyVertex& want) {
  Deviation d;
  for (int i = 0; i < 3; ++i) {
    widen(d.position, std::abs(got.a[i] - want.position[i]));
    widen(d.normal, std::abs(got.n[i] - want.normal[i]));
  }
  for (int i = 0; i < 4; ++i) widen(d.colour, std::abs(got.k[i] - want.colour[i]));
  return d;
}

// Positions and colours come from sums of small integers and multiples of 1/64 through one square
// root and single products, which both sides round alike (observed: identical). Normals go through
// five normalisations, whose square roots and divisions the GPU may carry out differently
// (observed: 4e-7, a few ulps of a unit vector). A single changed escape step moves a height by at
// least 0.01, a colour by 0.4/64 and a normal by far more: well outside these tolerances.
constexpr float kPositionTolerance = 1e-5f;
constexpr float kColourTolerance = 1e-5f;
constexpr float kNormalTolerance = 2e-6f;

// The escape test sits on a chaotic boundary: near the edge of the bounded set an orbit can linger
// for tens of steps, and a difference of one rounding in its seed or in one product changes the
// step at which it leaves, or whether it leaves at all (such seeds have neighbours one or two ulps
// away that escape at quite different steps, and the same seed in double precision can too). The
// GPU's arithmetic is not bit for bit the CPU's, so a few grid points get different sums there:
// 6 of the million on llvmpipe (Mesa 22.3, LLVM 15). Each such point disturbs at most five
// vertices: its own position and the normals of its four neighbours, one of which also takes its
// colour. The comparison allows this many such points and no vertex mismatch elsewhere.
constexpr int kMaxDivergentPoints = 16;

struct Agreement {
  int divergent_points = 0;  // grid points whose sums differ, seen in their height or colour
  int mismatching = 0;       // vertices with any output outside the tolerances
  int unexplained = 0;       // of those, vertices with no divergent point within one grid step
  Deviation worst;           // largest deviations among the matching vertices
};

// Compares the captured grid with the reference surface. The sums at grid point (row, column) are
// visible in the GPU's outputs as the height of vertex (row, column) and, for columns below 999, as
// the colour of vertex (row, column + 1), which the vertex stage takes from its last call of f.
Agreement compare(const std::vector<CapturedVertex>& got, const DoilySurface& surface) {
  auto at = [&](int row, int column) -> const CapturedVertex& {
    return got[row * kDoilyGridSize + column];
  };
  std::vector<bool> divergent(kDoilyGridVertices, false);
  Agreement result;
  for (int row = 0; row < kDoilyGridSize; ++row)
    for (int column = 0; column < kDoilyGridSize; ++column) {
      const DoilySample& want = surface.at(row, column);
      bool differs = !(std::abs(at(row, column).a[1] - want.position[1]) <= kPositionTolerance);
      if (column + 1 < kDoilyGridSize)
        differs =
            differs || !(std::abs(at(row, column + 1).k[3] - want.colour[3]) <= kColourTolerance);
      divergent[row * kDoilyGridSize + column] = differs;
      result.divergent_points += differs;
    }
  auto divergent_near = [&](int row, int column) {
    const int steps[5][2] = {{0, 0}, {1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& d : steps) {
      const int r = row + d[0], c = column + d[1];
      if (r >= 0 && r < kDoilyGridSize && c >= 0 && c < kDoilyGridSize &&
          divergent[r * kDoilyGridSize + c])
        return true;
    }
    return false;
  };
  for (int row = 0; row < kDoilyGridSize; ++row)
    for (int column = 0; column < kDoilyGridSize; ++column) {
      const Deviation d = deviation(at(row, column), doily_vertex(surface, row, column));
      if (d.position <= kPositionTolerance && d.normal <= kNormalTolerance &&
          d.colour <= kColourTolerance) {
        result.worst.position = std::max(result.worst.position, d.position);
        result.worst.normal = std::max(result.worst.normal, d.normal);
        result.worst.colour = std::max(result.worst.colour, d.colour);
        continue;
      }
      ++result.mismatching;
      if (!divergent_near(row, column)) ++result.unexplained;
    }
  return result;
}

}  // namespace

// Every captured grid vertex is finite and agrees with the CPU reference, but next to the few
// chaotic points where a rounding step changes an escape (at most kMaxDivergentPoints of them,
// each moving at most five vertices).
void expect_reference_agreement(const char* what, const std::vector<CapturedVertex>& got,
                                const DoilyOrbitField& field) {
  const int non_finite = int(std::count_if(got.begin(), got.end(),
                                           [](const CapturedVertex& c) { return !all_finite(c); }));
  EXPECT_EQ(non_finite, 0) << what
                           << ": grid vertices with a non-finite position, normal or colour";
  const Agreement ours = compare(got, evaluate_doily_surface(field, kShaderRules));
  std::printf(
      "%s vs reference: %d divergent grid points, %d of %d vertices outside tolerance "
      "(%d not next to a divergent point); worst inside: position %.3g, normal %.3g, "
      "colour %.3g\n",
      what, ours.divergent_points, ours.mismatching, kDoilyGridVertices, ours.unexplained,
      ours.worst.position, ours.worst.normal, ours.worst.colour);
  EXPECT_LE(ours.divergent_points, kMaxDivergentPoints) << what;
  EXPECT_LE(ours.mismatching, 5 * ours.divergent_points) << what;
  EXPECT_EQ(ours.unexplained, 0) << what;
}
void expect_reference_disagreement_when_bounded_orbits_count_zero(
    const std::vector<CapturedVertex>& got, const DoilyOrbitField& field) {
  const Agreement other = compare(got, evaluate_doily_surface(field, {0.0f, 0.0f, true}));
  std::printf(
      "doily vs reference with (0, 0) for bounded orbits: %d divergent grid points, %d "
      "vertices outside tolerance (%d not next to a divergent point)\n",
      other.divergent_points, other.mismatching, other.unexplained);
  EXPECT_GT(other.divergent_points, kDoilyGridVertices / 4);
  EXPECT_GT(other.mismatching, kDoilyGridVertices / 4);
}

std::vector<CapturedVertex> capture_doily_grid(GLuint program) {
  constexpr const GLchar* kCapturedANK[3] = {"a", "n", "k"};
  build_doily_grid();
  bind_arena_arrays();
  return capture_through<CapturedVertex>(program, kCapturedANK, 3, kDoilyGridVertices);
}
