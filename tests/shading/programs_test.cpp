// The five programs on the real driver: the start-up log, the lighting each program computes, and
// the failure path of the builder. Every test opens the real window through start_up.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "app/draw.h"
#include "geometry/arena.h"
#include "shading/programs.h"
#include "shading/shader_texts.h"
#include "tests/lib/gl_util.h"

namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string address(const void* p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%p", p);
  return buf;
}

TEST(Programs, StartUpLogsFifteenLinesInCreationOrder) {
  const std::vector<std::string> lines = lines_of(start_up_capturing_log());
  ASSERT_EQ(lines.size(), 15u);
  struct Expected {
    const char* snippet;
    GLuint program;
  } const programs[5] = {{kDoilySnippet, g_programs.logged.doily},
                         {kCageSnippet, g_programs.logged.cage},
                         {kGlassSnippet, g_programs.logged.glass},
                         {kSwanSnippet, g_programs.logged.swan},
                         {kTableSnippet, g_programs.logged.table}};
  // An address as this C library prints %p (glibc: 0x and hex digits; MinGW: 16 hex digits), held
  // to the very text below.
  const std::regex shader_line("GLSL shader with ([0-9A-Fa-fx]+) and ([0-9A-Fa-fx]+): ([0-9]+)");
  const std::regex program_line("GLSL program with ([0-9A-Fa-fx]+) compiles to: ([0-9]+)");
  for (int i = 0; i < 5; ++i) {
    const std::string snippet = address(programs[i].snippet);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[3 * i], m, shader_line)) << lines[3 * i];
    EXPECT_EQ(m[1], snippet);
    EXPECT_EQ(m[2], address(kVertexBody));
    const GLuint vs = std::stoul(m[3]);
    ASSERT_TRUE(std::regex_match(lines[3 * i + 1], m, shader_line)) << lines[3 * i + 1];
    EXPECT_EQ(m[1], snippet);
    EXPECT_EQ(m[2], address(kFragmentBody));
    const GLuint fs = std::stoul(m[3]);
    ASSERT_TRUE(std::regex_match(lines[3 * i + 2], m, program_line)) << lines[3 * i + 2];
    EXPECT_EQ(m[1], snippet);
    EXPECT_EQ(std::stoul(m[2]), programs[i].program);
    // The logged names are the objects actually attached to the program.
    GLuint attached[2] = {};
    GLsizei n = 0;
    glGetAttachedShaders(programs[i].program, 2, &n, attached);
    ASSERT_EQ(n, 2);
    EXPECT_TRUE((attached[0] == vs && attached[1] == fs) ||
                (attached[0] == fs && attached[1] == vs));
  }
}

struct Vec {
  double x, y, z;
};
Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec operator*(double s, Vec a) {
  return {s * a.x, s * a.y, s * a.z};
}
double dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec cross(Vec a, Vec b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec normalized(Vec a) {
  return (1 / std::sqrt(dot(a, a))) * a;
}

// What one lit fragment should be: diffuse from the light at (75, 250, 20), a white highlight of
// the fourth power towards the eye at (300, 300, 200), clamped, then blended over black.
void expected_pixel(const double material[4], Vec point, Vec normal, double out[3]) {
  const Vec l = normalized(Vec{75, 250, 20} - point);
  const Vec v = normalized(Vec{300, 300, 200} - point);
  const Vec r = normalized(2 * dot(l, normal) * normal - l);
  const double diffuse = std::clamp(dot(l, normal), 0.0, 1.0);
  const double h = std::clamp(dot(v, r), 0.0, 1.0);
  const double alpha = std::clamp(material[3], 0.0, 1.0);
  for (int k = 0; k < 3; ++k)
    out[k] = 255 * alpha * std::clamp(material[k] * diffuse + h * h * h * h, 0.0, 1.0);
}

// Emits a small triangle at `point` facing `normal` through the arena, looks at it head-on with an
// orthographic camera, draws it with `program` and returns the pixel at the window's centre.
void draw_probe(GLuint program, Vec point, Vec normal, uint8_t rgb[3]) {
  const Vec side =
      normalized(cross(normal, std::abs(normal.y) < 0.9 ? Vec{0, 1, 0} : Vec{1, 0, 0}));
  const Vec up = cross(normal, side);  // side x up = normal: counter-clockwise from the front
  auto at = [&](double s, double u) {
    const Vec p = point + s * side + u * up;
    return Point3{float(p.x), float(p.y), float(p.z)};
  };
  g_arena.count = 0;
  emit_triangle(at(-0.5, -0.5), at(0.5, -0.5), at(0, 0.6));
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-1, 1, -1, 1, 1, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const Vec eye = point + 50 * normal;
  gluLookAt(eye.x, eye.y, eye.z, point.x, point.y, point.z, up.x, up.y, up.z);
  glUseProgram(program);
  draw_triangles(triangles_since(0, g_arena.count));
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(kWindowWidth / 2, kWindowHeight / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

TEST(Programs, EachProgramLightsItsMaterialAsStated) {
  start_up_capturing_log();
  struct Case {
    const char* name;
    GLuint program;
    double material[4];  // what e() makes of the vertex colour (1, 1, 1, 1)
  } const cases[] = {
      {"doily", g_programs.logged.doily, {0.5, 0.5, 0.5, 0.5}},
      {"cage", g_programs.logged.cage, {0.93, 0.91, 0.82, 1}},
      {"glass", g_programs.logged.glass, {0.8, 0.8, 1.0, 0.15}},
      {"swan", g_programs.logged.swan, {1, 1, 1, 1}},
      {"table", g_programs.logged.table, {0.63, 0.60, 0.52, 1}},
  };
  const Vec point{20, 40, -100};
  const Vec to_light = normalized(Vec{75, 250, 20} - point);
  const Vec to_eye = normalized(Vec{300, 300, 200} - point);
  const Vec normals[] = {
      {0, 0, 1},                            // lit from the side, no highlight
      normalized(to_light + 3 * to_eye),    // partly towards the eye: a highlight
      normalized(Vec{0, 0, 0} - to_light),  // facing away from the light: black
  };
  constexpr double kTolerance = 3;  // 8-bit rounding plus the probe's small extent
  for (const Case& c : cases) {
    for (const Vec& n : normals) {
      uint8_t got[3];
      double want[3];
      draw_probe(c.program, point, n, got);
      expected_pixel(c.material, point, n, want);
      for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(got[k], want[k], kTolerance)
            << c.name << " channel " << k << " normal (" << n.x << ", " << n.y << ", " << n.z
            << "): expected " << want[k] << ", observed " << int(got[k]);
    }
  }
}

// A plain program that does not build leaves the material program in its place, so the frame
// still draws each object with a program that shades it; one that builds is a new program.
TEST(Programs, PlainProgramThatDoesNotBuildFallsBackToTheMaterialProgram) {
  start_up_capturing_log();
  const GLuint broken = build_plain_program(g_programs.logged.cage,
                                            "return a.xyz;}vec4 e(vec4 c){return undeclared_name");
  EXPECT_EQ(broken, g_programs.logged.cage);
  const GLuint plain = build_plain_program(g_programs.logged.cage, kCageSnippet);
  EXPECT_NE(plain, g_programs.logged.cage);
  EXPECT_NE(plain, 0u);
  EXPECT_NO_GL_ERROR();
}

// The real builder with a snippet the compiler rejects: the driver's info log goes to standard
// output and the process ends with status 1.
TEST(ProgramsDeathTest, BrokenSnippetPrintsInfoLogAndExitsOne) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        start_up();
        // The death test sees only standard error: hand it standard output instead, and send
        // standard error nowhere, so that a log on the wrong stream is not seen.
        dup2(STDERR_FILENO, STDOUT_FILENO);
        dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);
        build_program("return a.xyz;}vec4 e(vec4 c){return undeclared_name");
      },
      ::testing::ExitedWithCode(1), "undeclared_name");
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
