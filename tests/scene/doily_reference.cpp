// The doily vertex stage on the CPU. Every operation is a single float operation in the order the
// shader writes it (the build sets -ffp-contract=off, so nothing is fused).
#include "tests/scene/doily_reference.h"

#include <cmath>

#include "geometry/arena.h"
#include "scene/doily.h"

namespace {

Point3 cross(Point3 a, Point3 b) {
  return {a.y * b.z - b.y * a.z, a.z * b.x - b.z * a.x, a.x * b.y - b.x * a.y};
}
Point3 normalize(Point3 a) {
  const float length = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
  return {a.x / length, a.y / length, a.z / length};
}
Point3 position_of(const DoilySample& s) {
  return {s.position[0], s.position[1], s.position[2]};
}

constexpr int kBorderedSize = kDoilyGridSize + 2;  // rows and columns -1 .. kDoilyGridSize

size_t bordered_index(int row, int column) {
  return static_cast<size_t>(row + 1) * kBorderedSize + static_cast<size_t>(column + 1);
}

}  // namespace

int escape_step(float x, float y) {
  for (int i = 0; i < kNeverEscapes; ++i) {
    // Three squarings, each the complex product m(a, a) = (a.x*a.x - a.y*a.y, a.x*a.y + a.y*a.x).
    float ax = x, ay = y;
    for (int k = 0; k < 3; ++k) {
      const float re = ax * ax - ay * ay;
      const float im = ax * ay + ay * ax;
      ax = re;
      ay = im;
    }
    x = ax + x;
    y = ay + y;
    if (std::sqrt(x * x + y * y) > 4.0f) return i;
  }
  return kNeverEscapes;
}

std::array<uint8_t, 5> doily_orbits(float s, float t) {
  const float zx = (s - 500.0f) / 400.0f;
  const float zy = (t - 500.0f) / 400.0f;
  std::array<uint8_t, 5> orbits;
  for (int j = 0; j < 5; ++j)
    orbits[j] = static_cast<uint8_t>(escape_step(zx * kDoilyScales[j], zy * kDoilyScales[j]));
  return orbits;
}

DoilySample doily_sample(float s, float t, const std::array<uint8_t, 5>& orbits,
                         const DoilyRules& rules) {
  float sx = 0.0f, sy = 0.0f;
  for (int j = 0; j < 5; ++j) {
    const int step = orbits[j];
    const float dx = step == kNeverEscapes ? rules.bounded_step : static_cast<float>(step);
    const float dy =
        step == kNeverEscapes ? rules.bounded_fraction : static_cast<float>(step) / 64.0f;
    if (j % 2) {
      sx -= dx;
      sy -= dy;
    } else {
      sx += dx;
      sy += dy;
    }
  }
  DoilySample out;
  out.sum_x = sx;
  out.sum_y = sy;
  out.colour[0] = out.colour[1] = 0.4f * sy;
  out.colour[2] = 0.5f * sy;
  out.colour[3] = sy * 16.0f;
  const float root = std::sqrt(rules.clamp_height ? std::fmax(sx, 0.0f) : sx);
  out.position[0] = (s - 500.0f) * 0.375f;
  out.position[1] = 2.0f * root / 8.0f - 2.0f;
  out.position[2] = (t - 500.0f) * 0.375f;
  return out;
}

const std::array<uint8_t, 5>& DoilyOrbitField::at(int row, int column) const {
  return orbits[bordered_index(row, column)];
}

DoilyOrbitField evaluate_doily_orbits() {
  DoilyOrbitField field;
  field.orbits.resize(static_cast<size_t>(kBorderedSize) * kBorderedSize);
  for (int row = -1; row <= kDoilyGridSize; ++row)
    for (int column = -1; column <= kDoilyGridSize; ++column)
      field.orbits[bordered_index(row, column)] =
          doily_orbits(static_cast<float>(row), static_cast<float>(column));
  return field;
}

const DoilySample& DoilySurface::at(int row, int column) const {
  return samples[bordered_index(row, column)];
}

DoilySurface evaluate_doily_surface(const DoilyOrbitField& field, const DoilyRules& rules) {
  DoilySurface surface;
  surface.samples.resize(field.orbits.size());
  for (int row = -1; row <= kDoilyGridSize; ++row)
    for (int column = -1; column <= kDoilyGridSize; ++column)
      surface.samples[bordered_index(row, column)] = doily_sample(
          static_cast<float>(row), static_cast<float>(column), field.at(row, column), rules);
  return surface;
}

DoilyVertex doily_vertex(const DoilySurface& surface, int row, int column) {
  const Point3 r = position_of(surface.at(row, column));
  const Point3 s = normalize(position_of(surface.at(row + 1, column)) - r);
  const Point3 t = normalize(position_of(surface.at(row, column + 1)) - r);
  const Point3 u = normalize(position_of(surface.at(row - 1, column)) - r);
  const Point3 v = normalize(position_of(surface.at(row, column - 1)) - r);
  const Point3 n = normalize(cross(s, v) + cross(v, u) + cross(u, t) + cross(t, s));
  const DoilySample& last = surface.at(row, column - 1);  // the vertex stage's last call of f
  return {{r.x, r.y, r.z},
          {n.x, n.y, n.z},
          {last.colour[0], last.colour[1], last.colour[2], last.colour[3]}};
}
