// The doily program on the real GL: what its vertex stage outputs for every grid vertex, captured
// with transform feedback and compared with the CPU reference; and the grid under the other
// programs, whose surface function leaves it where it is.
#include <algorithm>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "app/draw.h"
#include "scene/doily.h"
#include "shading/programs.h"
#include "tests/lib/gl_util.h"
#include "tests/scene/doily_agreement.h"

namespace {

TEST(DoilyProgram, VertexStageMatchesTheCpuReferenceAtEveryGridVertex) {
  start_up_capturing_log();
  const std::vector<CapturedVertex> got = capture_doily_grid(g_programs.logged.doily);
  const DoilyOrbitField field = evaluate_doily_orbits();
  expect_reference_agreement("doily", got, field);

  // The grid spans -187.5 .. 187.125 on x and z.
  float lo = 1e9f, hi = -1e9f;
  for (const CapturedVertex& c : got) {
    lo = std::min({lo, c.a[0], c.a[2]});
    hi = std::max({hi, c.a[0], c.a[2]});
  }
  EXPECT_EQ(lo, -187.5f);
  EXPECT_EQ(hi, 187.125f);
  expect_reference_disagreement_when_bounded_orbits_count_zero(got, field);
}

// Under the four other programs the surface function returns the vertex's own position, so a grid
// vertex stays at (row, column, 0).
TEST(DoilyProgram, OtherProgramsLeaveGridVerticesWhereTheyAre) {
  start_up_capturing_log();
  const MaterialPrograms& m = g_programs.logged;
  const struct {
    const char* name;
    GLuint program;
  } programs[] = {{"cage", m.cage}, {"glass", m.glass}, {"swan", m.swan}, {"table", m.table}};
  for (const auto& p : programs) {
    const std::vector<CapturedVertex> got = capture_doily_grid(p.program);
    int moved = 0;
    for (int k = 0; k < kDoilyGridVertices; ++k) {
      const float* a = got[k].a;
      if ((a[0] != float(k / kDoilyGridSize) || a[1] != float(k % kDoilyGridSize) || a[2] != 0) &&
          ++moved <= 3)
        ADD_FAILURE() << p.name << ": vertex " << k << " at (" << a[0] << ", " << a[1] << ", "
                      << a[2] << ")";
    }
    EXPECT_EQ(moved, 0) << p.name;
  }
}

}  // namespace
