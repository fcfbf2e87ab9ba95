// The GPU's doily against the CPU reference: what a captured grid vertex holds, and the comparison
// that allows for the few chaotic points where a rounding step changes an escape.
#pragma once

#include <vector>

#include <GL/glew.h>

#include "tests/scene/doily_reference.h"

// One captured vertex: the varyings a (position), n (normal) and k (colour), interleaved.
struct CapturedVertex {
  float a[3], n[3], k[4];
};
static_assert(sizeof(CapturedVertex) == 40, "three varyings, ten floats");

// Raises `worst` to `difference`; a NaN difference sticks.
void widen(float& worst, float difference);

// Every captured grid vertex (one per grid vertex, in record order) is finite and agrees with the
// CPU reference, but next to the few chaotic points where a rounding step changes an escape.
// Prints the figures under `what`; fails the test otherwise. A negative control is run with it: the
// same comparison against a reference that counts a bounded orbit as (0, 0) must fail.
void expect_reference_agreement(const char* what, const std::vector<CapturedVertex>& got,
                                const DoilyOrbitField& field);
void expect_reference_disagreement_when_bounded_orbits_count_zero(
    const std::vector<CapturedVertex>& got, const DoilyOrbitField& field);

// Every grid record, written into the arena, through the vertex stage of `program` (a copy that
// captures a, n and k): one CapturedVertex per grid vertex, in record order.
std::vector<CapturedVertex> capture_doily_grid(GLuint program);
