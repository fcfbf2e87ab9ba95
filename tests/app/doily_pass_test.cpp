// The doily pass on the real GL: the lit vertices captured from the surface's records against the
// CPU reference and against the doily program's own vertex stage, the plain programs' set-up of
// the lighting against their material programs', a pass cut short, and the drawn lace seen from
// above and from below.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "app/camera.h"
#include "app/capture_helper.h"
#include "app/doily_draw.h"
#include "app/arrays.h"
#include "app/draw.h"
#include "app/frame.h"
#include "geometry/arena.h"
#include "scene/cage.h"
#include "scene/doily.h"
#include "scene/swan.h"
#include "scene/table.h"
#include "shading/programs.h"
#include "tests/lib/gl_util.h"
#include "tests/scene/doily_agreement.h"

namespace {

// The lit records of every grid row, as the frame captures them where the GL can: the surface over
// the padded grid (on both contexts), then the lighting over all the rows at once.
GLuint light_whole_grid() {
  build_doily_grid();  // for the record: the captured path must not need the grid's records
  complete_doily_surface();
  const GLuint lit = light_doily_rows(0, kDoilyGridSize);
  let_go_of_doily_surface();
  close_helper();
  EXPECT_NO_GL_ERROR();
  return lit;
}

// The same, read back as one CapturedVertex per grid vertex in record order.
std::vector<CapturedVertex> capture_lit_grid() {
  const GLuint lit = light_whole_grid();
  const std::vector<Vertex> records =
      read_buffer<Vertex>(lit, size_t(kDoilyGridSize) * kDoilyPaddedSize);
  glDeleteBuffers(1, &lit);
  std::vector<CapturedVertex> out(kDoilyGridVertices);
  for (int row = 0; row < kDoilyGridSize; ++row)
    for (int column = 0; column < kDoilyGridSize; ++column) {
      const Vertex& v = records[doily_lit_record(row, column)];
      out[row * kDoilyGridSize + column] = {
          {v.x, v.y, v.z}, {v.nx, v.ny, v.nz}, {v.r, v.g, v.b, v.a}};
    }
  return out;
}

// The lit vertices, with the surface worked out once per point and the normal from the
// neighbours' records, are held to the same CPU reference as the doily program's vertex stage.
TEST(DoilyPass, LitVerticesMatchTheCpuReferenceAtEveryGridVertex) {
  start_up_capturing_log();
  REQUIRE_TRANSFORM_FEEDBACK();
  const std::vector<CapturedVertex> got = capture_lit_grid();
  expect_reference_agreement("lit doily", got, evaluate_doily_orbits());
}

// The normal from the neighbours' records against the normal of the doily program's vertex
// stage, which evaluates the surface at the four neighbours itself: the same points, through the
// same f, so the same sums; only the normalisations may round differently in the two programs.
// Positions and colours must be identical, normals within kNeighbourNormalBound per component
// (observed on llvmpipe: identical at every grid vertex).
constexpr float kNeighbourNormalBound = 1e-6f;

TEST(DoilyPass, NormalsFromNeighbourRecordsEqualTheFiveEvaluationNormals) {
  start_up_capturing_log();
  REQUIRE_TRANSFORM_FEEDBACK();
  const std::vector<CapturedVertex> five = capture_doily_grid(g_programs.logged.doily);
  const std::vector<CapturedVertex> lit = capture_lit_grid();
  int outside = 0, moved = 0, recoloured = 0, identical = 0;
  float worst = 0;
  for (int k = 0; k < kDoilyGridVertices; ++k) {
    const CapturedVertex &want = five[k], &got = lit[k];
    float difference = 0;
    for (int i = 0; i < 3; ++i) widen(difference, std::abs(got.n[i] - want.n[i]));
    widen(worst, difference);
    identical += std::memcmp(got.n, want.n, sizeof got.n) == 0;
    if (!(difference <= kNeighbourNormalBound) && ++outside <= 3)
      ADD_FAILURE() << "grid vertex (" << k / kDoilyGridSize << ", " << k % kDoilyGridSize
                    << "): normal (" << got.n[0] << ", " << got.n[1] << ", " << got.n[2]
                    << ") instead of (" << want.n[0] << ", " << want.n[1] << ", " << want.n[2]
                    << ")";
    moved += std::memcmp(got.a, want.a, sizeof got.a) != 0;
    recoloured += std::memcmp(got.k, want.k, sizeof got.k) != 0;
  }
  std::printf(
      "neighbour normals vs five evaluations: largest difference %.3g (bound %.3g), %d of %d "
      "identical\n",
      worst, kNeighbourNormalBound, identical, kDoilyGridVertices);
  EXPECT_EQ(outside, 0) << "grid vertices whose normal is off by more than the bound";
  EXPECT_EQ(moved, 0) << "grid vertices at another position";
  EXPECT_EQ(recoloured, 0) << "grid vertices with another colour";
}
// What the fragment stage reads of a vertex, and where the vertex lands: gl_Position and the
// varyings l, v, r, n and k, interleaved.
struct LightingSetUp {
  float position[4], l[3], v[3], r[3], n[3], k[4];
};
constexpr const GLchar* kLightingSetUp[6] = {"gl_Position", "l", "v", "r", "n", "k"};

// Runs `count` GL_C4F_N3F_V3F records through the vertex stage of `program` as points and returns
// the LightingSetUp of each: the records of buffer `lit`, or the arena's first records where `lit`
// is 0.
std::vector<LightingSetUp> set_up_lighting(GLuint program, GLuint lit, int32_t count) {
  glBindBuffer(GL_ARRAY_BUFFER, lit);
  glInterleavedArrays(GL_C4F_N3F_V3F, 0, lit != 0 ? nullptr : g_arena.vertices);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  const std::vector<LightingSetUp> got =
      capture_through<LightingSetUp>(program, kLightingSetUp, 6, count);
  bind_arena_arrays();
  return got;
}

// Counts the records whose LightingSetUp differs between the two programs, reporting the first few.
int differing_set_ups(const char* what, const std::vector<LightingSetUp>& got,
                      const std::vector<LightingSetUp>& want) {
  int differing = 0;
  for (size_t k = 0; k < got.size(); ++k)
    if (std::memcmp(&got[k], &want[k], sizeof got[k]) != 0 && ++differing <= 3)
      ADD_FAILURE() << what << " record " << k << ": clip position (" << got[k].position[0] << ", "
                    << got[k].position[1] << ", " << got[k].position[2] << "), normal ("
                    << got[k].n[0] << ", " << got[k].n[1] << ", " << got[k].n[2]
                    << ") where the material program gives (" << want[k].position[0] << ", "
                    << want[k].position[1] << ", " << want[k].position[2] << "), (" << want[k].n[0]
                    << ", " << want[k].n[1] << ", " << want[k].n[2] << ")";
  std::printf("%s: plain program vs material program: %d of %zu records differ\n", what, differing,
              got.size());
  return differing;
}

// The frame draws with the plain programs instead of the material programs: for every record a
// pass draws (the doily's lit records; a piece of each other object), under the frame's camera,
// both must hand the rasteriser and the fragment stage the very same bits.
TEST(DoilyPass, PlainProgramsSetUpTheLightingAsTheirMaterialProgramsDo) {
  start_up_capturing_log();
  load_camera_view();
  struct Material {
    const char* name;
    GLuint MaterialPrograms::*slot;
    ArenaRange (*build)();
  };
  const Material materials[] = {
      {"table", &MaterialPrograms::table, [] { return build_table_piece(0, 200); }},
      {"glass", &MaterialPrograms::glass, [] { return build_glass_top(); }},
      {"swan", &MaterialPrograms::swan, [] { return build_swan_body(); }},
      {"cage", &MaterialPrograms::cage, [] { return build_cage_piece(kCageSegments - 200, 200); }},
  };
  const ProgramTable& t = g_programs;
  for (const Material& m : materials) {
    arena_rewind();
    const ArenaRange written = m.build();
    EXPECT_NE(t.drawn.*m.slot, t.logged.*m.slot) << m.name << ": no plain program";
    const std::vector<LightingSetUp> want =
        set_up_lighting(t.logged.*m.slot, 0, written.vertex_count);
    const std::vector<LightingSetUp> got =
        set_up_lighting(t.drawn.*m.slot, 0, written.vertex_count);
    EXPECT_EQ(differing_set_ups(m.name, got, want), 0);
  }
  REQUIRE_TRANSFORM_FEEDBACK();
  const GLuint lit = light_whole_grid();
  constexpr int32_t kRecords = kDoilyGridSize * kDoilyPaddedSize;
  const std::vector<LightingSetUp> want = set_up_lighting(t.logged.doily, lit, kRecords);
  const std::vector<LightingSetUp> got = set_up_lighting(t.drawn.doily, lit, kRecords);
  glDeleteBuffers(1, &lit);
  EXPECT_EQ(differing_set_ups("lit doily", got, want), 0);
}

const FramePass& doily_pass() {
  for (int i = 0; i < kFramePassCount; ++i)
    if (std::strcmp(kFramePasses[i].name, "doily") == 0) return kFramePasses[i];
  ADD_FAILURE() << "no doily pass";
  return kFramePasses[0];
}

bool stop_after_first_piece(const FramePass&, PassStep step) {
  return step != PassStep::kDrawn;
}

// A doily pass cut short after its first piece, with the helper lighting pieces ahead: the pass's
// end stops the helper and lets go of what it lit, instead of waiting for pieces nobody takes.
TEST(DoilyPass, PassCutShortEndsTheHelpersLighting) {
  start_up_capturing_log();
  REQUIRE_TRANSFORM_FEEDBACK();
  run_pass(doily_pass(), stop_after_first_piece);
  EXPECT_NO_GL_ERROR();
  // A whole pass afterwards is unaffected.
  run_pass(doily_pass());
  close_helper();
  EXPECT_NO_GL_ERROR();
}

// Primitives this context generates during a pass: in its pieces' draws, and elsewhere (making
// pieces here).
struct PrimitiveCounts {
  GLuint query = 0;
  GLuint* into = nullptr;  // the count the running query adds to
  GLuint in_draws = 0, elsewhere = 0;
};
PrimitiveCounts g_counted;

// Ends the running query, adding its result, and starts one for `into` (none for null).
void count_primitives_into(GLuint* into) {
  PrimitiveCounts& c = g_counted;
  if (c.into != nullptr) {
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(c.query, GL_QUERY_RESULT, &primitives);
    *c.into += primitives;
    glDeleteQueries(1, &c.query);
  }
  c.into = into;
  if (into == nullptr) return;
  glGenQueries(1, &c.query);
  glBeginQuery(GL_PRIMITIVES_GENERATED, c.query);
}

bool count_primitives(const FramePass&, PassStep step) {
  if (step == PassStep::kDraw) count_primitives_into(&g_counted.in_draws);
  if (step == PassStep::kBegin || step == PassStep::kDrawn)
    count_primitives_into(&g_counted.elsewhere);
  return true;
}

// The doily pass drawn into a square viewport with an orthographic view straight down (eye_y > 0)
// or straight up (eye_y < 0) onto the square -200 .. 200 in x and z; returns the pixels' RGB,
// bottom row first.
constexpr int kView = kWindowHeight;   // pixels on each side
constexpr float kViewHalfWidth = 200;  // world units from the centre to each edge
std::vector<uint8_t> draw_doily_seen_from(float eye_y) {
  glViewport(0, 0, kView, kView);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-kViewHalfWidth, kViewHalfWidth, -kViewHalfWidth, kViewHalfWidth, 1, 1000);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(0, eye_y, 0, 0, 0, 0, 0, 0, -1);  // from above: x to the right, -z up the screen
  g_arena.count = 1435200;                    // any write cursor; the pass must leave it alone
  g_counted = {};
  run_pass(doily_pass(), count_primitives);
  close_helper();
  count_primitives_into(nullptr);
  const GLuint in_draws = g_counted.in_draws, elsewhere = g_counted.elsewhere;
  // Every quad reaches the pipeline once, but for those the captured path leaves out because they
  // are flat and transparent; a driver counts a quad once (llvmpipe does) or as two triangles.
  const GLuint drawn = g_programs.doily_captures
                           ? GLuint(build_doily_lit_quads(0, kDoilyQuadsPerRow).index_count / 4)
                           : GLuint(kDoilyQuadCount);
  EXPECT_TRUE(in_draws == drawn || in_draws == 2 * drawn)
      << in_draws << " primitives generated by the draws, " << drawn << " quads built";
  // Outside the draws, on this context: the points captured here, none on the grid's path.
  if (g_programs.doily_captures)
    EXPECT_LE(elsewhere, GLuint(kDoilyPaddedPoints + kDoilyGridSize * kDoilyPaddedSize))
        << "points captured here";
  else
    EXPECT_EQ(elsewhere, 0u);
  glFinish();
  EXPECT_EQ(g_arena.count, 1435200);
  EXPECT_NO_GL_ERROR();
  std::vector<uint8_t> rgb(size_t(kView) * kView * 3);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kView, kView, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

bool lit(const std::vector<uint8_t>& rgb, int px, int py) {
  const uint8_t* p = &rgb[(size_t(py) * kView + px) * 3];
  return (p[0] | p[1] | p[2]) != 0;
}

// Seen from above, the picture must follow the reference grid block by block: blocks of 50 x 50
// grid steps whose vertices all have zero alpha stay black, blocks where most vertices are opaque
// show lit pixels, and nothing lies outside the square. Seen from below, back-face culling leaves
// nothing at all. Neither the build nor the draw may move the write cursor.
TEST(DoilyPass, DrawnDoilyFollowsTheReferenceFromAboveAndIsCulledFromBelow) {
  start_up_capturing_log();
  const std::vector<uint8_t> above = draw_doily_seen_from(500);
  const std::vector<uint8_t> below = draw_doily_seen_from(-500);

  const DoilySurface surface = evaluate_doily_surface(evaluate_doily_orbits(), kShaderRules);
  constexpr int kBlock = 50, kBlocks = kDoilyGridSize / kBlock;
  // Per block: vertices with alpha above 0 and at or above 1 (colour alpha is halved by e, then
  // clamped by the blend), over the vertices its quads touch.
  int visible[kBlocks][kBlocks] = {}, opaque[kBlocks][kBlocks] = {}, total[kBlocks][kBlocks] = {};
  for (int row = 0; row < kDoilyGridSize; ++row)
    for (int column = 0; column < kDoilyGridSize; ++column) {
      const float alpha = 0.5f * doily_vertex(surface, row, column).colour[3];
      for (int bi = std::max(0, (row - 1) / kBlock); bi <= std::min(kBlocks - 1, row / kBlock);
           ++bi)
        for (int bj = std::max(0, (column - 1) / kBlock);
             bj <= std::min(kBlocks - 1, column / kBlock); ++bj) {
          ++total[bi][bj];
          visible[bi][bj] += alpha > 0;
          opaque[bi][bj] += alpha >= 1;
        }
    }
  int pixels[kBlocks][kBlocks] = {}, lit_pixels[kBlocks][kBlocks] = {}, lit_outside = 0;
  for (int py = 0; py < kView; ++py)
    for (int px = 0; px < kView; ++px) {
      const float x = (px + 0.5f) * (2 * kViewHalfWidth / kView) - kViewHalfWidth;
      const float z = kViewHalfWidth - (py + 0.5f) * (2 * kViewHalfWidth / kView);
      const float row = x / 0.375f + 500, column = z / 0.375f + 500;
      if (row < 0 || row >= kDoilyGridSize - 1 || column < 0 || column >= kDoilyGridSize - 1) {
        lit_outside += lit(above, px, py);
        continue;
      }
      const int bi = int(row) / kBlock, bj = int(column) / kBlock;
      ++pixels[bi][bj];
      lit_pixels[bi][bj] += lit(above, px, py);
    }
  EXPECT_EQ(lit_outside, 0);
  int transparent_blocks = 0, opaque_blocks = 0;
  for (int bi = 0; bi < kBlocks; ++bi)
    for (int bj = 0; bj < kBlocks; ++bj) {
      if (visible[bi][bj] == 0) {
        ++transparent_blocks;
        EXPECT_EQ(lit_pixels[bi][bj], 0) << "block " << bi << ", " << bj << " should be clear";
      } else if (2 * opaque[bi][bj] > total[bi][bj]) {
        ++opaque_blocks;
        EXPECT_GT(2 * lit_pixels[bi][bj], pixels[bi][bj]) << "block " << bi << ", " << bj;
      }
    }
  std::printf("from above: %d clear blocks, %d opaque blocks of %d\n", transparent_blocks,
              opaque_blocks, kBlocks * kBlocks);
  EXPECT_GT(transparent_blocks, 0);
  EXPECT_GT(opaque_blocks, 0);

  int lit_below = 0;
  for (int py = 0; py < kView; ++py)
    for (int px = 0; px < kView; ++px) lit_below += lit(below, px, py);
  EXPECT_EQ(lit_below, 0);
}

}  // namespace
