// A CPU evaluation, in 32-bit floats and in the shader's order of operations, of what the doily
// program's vertex stage makes of a grid vertex: the escape time of each orbit, the five-scale
// surface with its colour, and the normal from the four neighbours. Tests compare the GPU with it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "scene/doily.h"

// The choices the shader texts make where the bare formulas leave a gap.
struct DoilyRules {
  float bounded_step;      // what w yields, as (step, fraction), for an orbit that never
  float bounded_fraction;  // leaves radius 4 within its 64 steps
  bool clamp_height;       // sqrt(max(sum, 0)) rather than sqrt(sum), which is NaN below zero
};

// What the shader texts do.
constexpr DoilyRules kShaderRules{64.0f, 1.0f, true};

// The orbit's last possible step is 63; this marks an orbit that never escapes.
constexpr int kNeverEscapes = 64;

// z <- z^8 + z (three complex squarings) from z = (x, y): the first step at which |z| > 4, or
// kNeverEscapes.
int escape_step(float x, float y);

// The five escape steps of the surface point at grid coordinates (s, t).
std::array<uint8_t, 5> doily_orbits(float s, float t);

// What f(s, t) computes: the alternating sums of (step, fraction), the surface point and the colour
// it leaves behind.
struct DoilySample {
  float sum_x, sum_y;
  float position[3];
  float colour[4];
};
DoilySample doily_sample(float s, float t, const std::array<uint8_t, 5>& orbits,
                         const DoilyRules& rules);

// The vertex stage's outputs for one grid vertex.
struct DoilyVertex {
  float position[3];
  float normal[3];
  float colour[4];
};

// The orbits of the whole grid and a one-vertex border around it (the neighbours the vertex
// stage also evaluates): (kDoilyGridSize + 2)^2 points, the costly part, computed once.
struct DoilyOrbitField {
  std::vector<std::array<uint8_t, 5>> orbits;
  const std::array<uint8_t, 5>& at(int row, int column) const;
};
DoilyOrbitField evaluate_doily_orbits();

// Surface samples over the same points, for one set of rules.
struct DoilySurface {
  std::vector<DoilySample> samples;
  const DoilySample& at(int row, int column) const;  // row, column in -1 .. kDoilyGridSize
};
DoilySurface evaluate_doily_surface(const DoilyOrbitField& field, const DoilyRules& rules);

// The grid vertex (row, column) as the vertex stage outputs it: position f(row, column), the
// normal from the four neighbours, the colour of the last f call, the one at (row, column - 1).
DoilyVertex doily_vertex(const DoilySurface& surface, int row, int column);
