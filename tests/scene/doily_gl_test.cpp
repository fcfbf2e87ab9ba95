// The doily on the real GL: what the doily program's vertex stage outputs for every grid vertex,
// captured with transform feedback and compared with the CPU reference; the grid under the other
// programs; and the drawn lace seen from above and from below.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "app/doily_draw.h"
#include "app/draw.h"
#include "app/frame.h"
#include "geometry/arena.h"
#include "scene/cage.h"
#include "scene/doily.h"
#include "scene/swan.h"
#include "scene/table.h"
#include "shading/programs.h"
#include "tests/gl_env.h"
#include "tests/scene/doily_reference.h"

namespace {

// One captured vertex: the varyings a (position), n (normal) and k (colour), interleaved.
struct Captured {
  float a[3], n[3], k[4];
};
static_assert(sizeof(Captured) == 40, "three varyings, ten floats");

// A second program from the very shader objects of `program`, linked to capture `varyings`
// interleaved (by default a, n and k).
constexpr const GLchar* kCapturedANK[3] = {"a", "n", "k"};
GLuint capturing_copy_of(GLuint program, const GLchar* const* varyings = kCapturedANK,
                         GLsizei varying_count = 3) {
  GLuint shaders[2] = {};
  GLsizei count = 0;
  glGetAttachedShaders(program, 2, &count, shaders);
  EXPECT_EQ(count, 2);
  const GLuint copy = glCreateProgram();
  for (GLsizei i = 0; i < count; ++i) glAttachShader(copy, shaders[i]);
  glTransformFeedbackVaryings(copy, varying_count, varyings, GL_INTERLEAVED_ATTRIBS);
  glLinkProgram(copy);
  GLint ok = 0;
  glGetProgramiv(copy, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    char log[4096] = {};
    glGetProgramInfoLog(copy, sizeof log, nullptr, log);
    ADD_FAILURE() << "capturing program does not link: " << log;
  }
  return copy;
}

// Runs every grid record through the vertex stage of `program` as a point, nothing rasterised, and
// returns what the stage wrote, in record order.
std::vector<Captured> capture_grid(GLuint program) {
  const GLuint copy = capturing_copy_of(program);
  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, buffer);
  glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, sizeof(Captured) * kDoilyGridVertices, nullptr,
               GL_STATIC_READ);
  glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffer);
  GLuint written = 0;
  glGenQueries(1, &written);

  glUseProgram(copy);
  glEnable(GL_RASTERIZER_DISCARD);
  glBeginQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, written);
  glBeginTransformFeedback(GL_POINTS);
  glDrawArrays(GL_POINTS, 0, kDoilyGridVertices);
  glEndTransformFeedback();
  glEndQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN);
  glDisable(GL_RASTERIZER_DISCARD);
  glUseProgram(0);

  GLuint points = 0;
  glGetQueryObjectuiv(written, GL_QUERY_RESULT, &points);
  EXPECT_EQ(points, GLuint(kDoilyGridVertices));
  std::vector<Captured> out(kDoilyGridVertices);
  glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0, sizeof(Captured) * out.size(), out.data());
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  glDeleteQueries(1, &written);
  glDeleteBuffers(1, &buffer);
  glDeleteProgram(copy);
  return out;
}

bool all_finite(const Captured& c) {
  const float* f = c.a;
  return std::all_of(f, f + 10, [](float x) { return std::isfinite(x); });
}

// How far one captured vertex is from the reference, per output; NaN when either side is NaN.
struct Deviation {
  float position = 0, normal = 0, colour = 0;
};
void widen(float& worst, float difference) {
  if (!(difference <= worst)) worst = difference;  // a NaN difference sticks
}
Deviation deviation(const Captured& got, const DoilyVertex& want) {
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
Agreement compare(const std::vector<Captured>& got, const DoilySurface& surface) {
  auto at = [&](int row, int column) -> const Captured& {
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

// Every captured grid vertex is finite and agrees with the CPU reference, but next to the few
// chaotic points where a rounding step changes an escape (at most kMaxDivergentPoints of them,
// each moving at most five vertices).
void expect_reference_agreement(const char* what, const std::vector<Captured>& got,
                                const DoilyOrbitField& field) {
  const int non_finite =
      int(std::count_if(got.begin(), got.end(), [](const Captured& c) { return !all_finite(c); }));
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

TEST(DoilyOnGpu, VertexStageMatchesTheCpuReferenceAtEveryGridVertex) {
  start_up_capturing_log();
  build_doily_grid();
  const std::vector<Captured> got = capture_grid(g_programs.doily);
  const DoilyOrbitField field = evaluate_doily_orbits();

  expect_reference_agreement("doily", got, field);

  // The grid spans -187.5 .. 187.125 on x and z.
  float lo = 1e9f, hi = -1e9f;
  for (const Captured& c : got) {
    lo = std::min({lo, c.a[0], c.a[2]});
    hi = std::max({hi, c.a[0], c.a[2]});
  }
  EXPECT_EQ(lo, -187.5f);
  EXPECT_EQ(hi, 187.125f);

  // Negative control: the same comparison against a reference that counts a bounded orbit as
  // (0, 0) must fail, over much of the grid.
  const Agreement other = compare(got, evaluate_doily_surface(field, {0.0f, 0.0f, true}));
  std::printf(
      "doily vs reference with (0, 0) for bounded orbits: %d divergent grid points, %d "
      "vertices outside tolerance (%d not next to a divergent point)\n",
      other.divergent_points, other.mismatching, other.unexplained);
  EXPECT_GT(other.divergent_points, kDoilyGridVertices / 4);
  EXPECT_GT(other.mismatching, kDoilyGridVertices / 4);
}

// The doily as the frame captures it where the GL can: the surface pass over the padded grid (on
// both contexts), then the lighting pass over every grid row, read back as one Captured record per
// grid vertex in record order.
std::vector<Captured> capture_lit_grid() {
  build_doily_grid();  // for the record: the captured path must not need the grid's records
  capture_doily_surface();
  const GLuint lit = light_doily_rows(0, kDoilyGridSize);
  std::vector<Vertex> records(size_t(kDoilyGridSize) * kDoilyPaddedSize);
  glBindBuffer(GL_ARRAY_BUFFER, lit);
  glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(Vertex) * records.size(), records.data());
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glDeleteBuffers(1, &lit);
  finish_doily();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  std::vector<Captured> out(kDoilyGridVertices);
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
TEST(DoilyOnGpu, LitVerticesMatchTheCpuReferenceAtEveryGridVertex) {
  start_up_capturing_log();
  if (!g_programs.doily_captures) GTEST_SKIP() << "this GL has no transform feedback";
  const std::vector<Captured> got = capture_lit_grid();
  expect_reference_agreement("lit doily", got, evaluate_doily_orbits());
}

// The normal from the neighbours' records against the normal of the doily program's vertex
// stage, which evaluates the surface at the four neighbours itself: the same points, through the
// same f, so the same sums; only the normalisations may round differently in the two programs.
// Positions and colours must be identical, normals within kNeighbourNormalBound per component
// (observed on llvmpipe: identical at every grid vertex).
constexpr float kNeighbourNormalBound = 1e-6f;

TEST(DoilyOnGpu, NormalsFromNeighbourRecordsEqualTheFiveEvaluationNormals) {
  start_up_capturing_log();
  if (!g_programs.doily_captures) GTEST_SKIP() << "this GL has no transform feedback";
  build_doily_grid();
  const std::vector<Captured> five = capture_grid(g_programs.doily);
  const std::vector<Captured> lit = capture_lit_grid();
  int outside = 0, moved = 0, recoloured = 0, identical = 0;
  float worst = 0;
  for (int k = 0; k < kDoilyGridVertices; ++k) {
    const Captured &want = five[k], &got = lit[k];
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
  const GLuint copy = capturing_copy_of(program, kLightingSetUp, 6);
  GLuint out = 0;
  glGenBuffers(1, &out);
  glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, out);
  glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, sizeof(LightingSetUp) * count, nullptr,
               GL_STATIC_READ);
  if (lit != 0) {
    glBindBuffer(GL_ARRAY_BUFFER, lit);
    glInterleavedArrays(GL_C4F_N3F_V3F, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
  } else {
    bind_arena_arrays();
  }
  glUseProgram(copy);
  capture_points(out, 0, sizeof(LightingSetUp), 0, count);
  glUseProgram(0);
  bind_arena_arrays();
  std::vector<LightingSetUp> got(static_cast<size_t>(count));
  glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, out);
  glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0, sizeof(LightingSetUp) * got.size(),
                     got.data());
  glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, 0);
  glDeleteBuffers(1, &out);
  glDeleteProgram(copy);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
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
TEST(DoilyOnGpu, PlainProgramsSetUpTheLightingAsTheirMaterialProgramsDo) {
  start_up_capturing_log();
  set_camera();
  struct Material {
    const char* name;
    GLuint ProgramSlots::*slot;
    ArenaRange (*build)();
  };
  const Material materials[] = {
      {"table", &ProgramSlots::table, [] { return build_table_piece(0, 200); }},
      {"glass", &ProgramSlots::glass, [] { return build_glass_top(); }},
      {"swan", &ProgramSlots::swan, [] { return build_swan_body(); }},
      {"cage", &ProgramSlots::cage, [] { return build_cage_piece(kCageSegments - 200, 200); }},
  };
  for (const Material& m : materials) {
    arena_rewind();
    const ArenaRange written = m.build();
    EXPECT_NE(g_plain_programs.*m.slot, g_programs.*m.slot) << m.name << ": no plain program";
    const std::vector<LightingSetUp> want =
        set_up_lighting(g_programs.*m.slot, 0, written.vertex_count);
    const std::vector<LightingSetUp> got =
        set_up_lighting(g_plain_programs.*m.slot, 0, written.vertex_count);
    EXPECT_EQ(differing_set_ups(m.name, got, want), 0);
  }
  if (!g_programs.doily_captures) GTEST_SKIP() << "this GL has no transform feedback";
  build_doily_grid();
  capture_doily_surface();
  const GLuint lit = light_doily_rows(0, kDoilyGridSize);
  finish_doily();
  constexpr int32_t kRecords = kDoilyGridSize * kDoilyPaddedSize;
  const std::vector<LightingSetUp> want = set_up_lighting(g_programs.doily, lit, kRecords);
  const std::vector<LightingSetUp> got = set_up_lighting(g_programs.doily_lit, lit, kRecords);
  glDeleteBuffers(1, &lit);
  EXPECT_EQ(differing_set_ups("lit doily", got, want), 0);
}

// A doily pass cut short after its first piece, with the helper lighting pieces ahead: the pass's
// end stops the helper and lets go of what it lit, instead of waiting for pieces nobody takes.
TEST(DoilyOnGpu, PassCutShortEndsTheHelpersLighting) {
  start_up_capturing_log();
  if (!g_programs.doily_captures) GTEST_SKIP() << "this GL has no transform feedback";
  glUseProgram(g_programs.doily);
  draw_doily(build_doily_pass_piece(0, 25));
  finish_doily();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  // A whole pass afterwards is unaffected.
  draw_doily(build_doily_pass_piece(0, kDoilyQuadsPerRow));
  finish_doily();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Under the four other programs the surface function returns the vertex's own position, so a grid
// vertex stays at (row, column, 0).
TEST(DoilyOnGpu, OtherProgramsLeaveGridVerticesWhereTheyAre) {
  start_up_capturing_log();
  build_doily_grid();
  const struct {
    const char* name;
    GLuint program;
  } programs[] = {{"cage", g_programs.cage},
                  {"glass", g_programs.glass},
                  {"swan", g_programs.swan},
                  {"table", g_programs.table}};
  for (const auto& p : programs) {
    const std::vector<Captured> got = capture_grid(p.program);
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
  glUseProgram(g_programs.doily);
  g_arena.count = 1435200;  // any write cursor; the grid must leave it alone
  // Primitives generated by the doily pass's two steps, as the frame runs them: the piece's draw
  // (which captures the surface and the lit vertices as points, where the doily is captured) and
  // the pass's finish (which then draws the quads).
  GLuint queries[2] = {};
  glGenQueries(2, queries);
  glBeginQuery(GL_PRIMITIVES_GENERATED, queries[0]);
  draw_doily(build_doily_pass_piece(0, kDoilyQuadsPerRow));
  glEndQuery(GL_PRIMITIVES_GENERATED);
  glBeginQuery(GL_PRIMITIVES_GENERATED, queries[1]);
  finish_doily();
  glEndQuery(GL_PRIMITIVES_GENERATED);
  GLuint in_draw = 0, in_finish = 0;
  glGetQueryObjectuiv(queries[0], GL_QUERY_RESULT, &in_draw);
  glGetQueryObjectuiv(queries[1], GL_QUERY_RESULT, &in_finish);
  glDeleteQueries(2, queries);
  // Every quad reaches the pipeline once, but for those the captured path leaves out because they
  // are flat and transparent; a driver counts a quad once (llvmpipe does) or as two triangles.
  const GLuint quads = g_programs.doily_captures ? in_finish : in_draw;
  const GLuint drawn = g_programs.doily_captures
                           ? GLuint(build_doily_lit_quads(0, kDoilyQuadsPerRow).index_count / 4)
                           : GLuint(kDoilyQuadCount);
  EXPECT_TRUE(quads == drawn || quads == 2 * drawn)
      << quads << " primitives generated for the quads, " << drawn << " quads built";
  if (g_programs.doily_captures)
    EXPECT_LE(in_draw, GLuint(kDoilyPaddedPoints + kDoilyGridSize * kDoilyPaddedSize))
        << "points captured here";
  else
    EXPECT_EQ(in_finish, 0u);
  glFinish();
  EXPECT_EQ(g_arena.count, 1435200);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
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
TEST(DoilyOnGpu, DrawnDoilyFollowsTheReferenceFromAboveAndIsCulledFromBelow) {
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
