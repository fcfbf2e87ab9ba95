// Quads drawn as split_quads' triangles against the driver's own GL_QUADS from an element array, as
// the doily's quads are drawn: smooth colours that no plane fits across each quad show which
// diagonal a quad was split on, and the rasteriser's rounding which corner each triangle starts
// from, so the two pictures are equal pixel for pixel only where the split is the driver's. The
// other diagonal (the same quads, each begun at its second corner) is the negative control.
#include <cstdint>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "app/framebuffer.h"
#include "geometry/quads.h"
#include "tests/lib/gl_util.h"

namespace {

constexpr int kColumns = 8, kRows = 5;  // quads across the window, corners shared

RgbImage draw(GLenum mode, const std::vector<uint32_t>& entries) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDrawElements(mode, static_cast<GLsizei>(entries.size()), GL_UNSIGNED_INT, entries.data());
  return read_back_buffer();
}

std::vector<uint32_t> split(const std::vector<uint32_t>& quads) {
  std::vector<uint32_t> triangles(quads.size() / kQuadEntries * kQuadTriangleEntries);
  EXPECT_EQ(split_quads(quads.data(), static_cast<int32_t>(quads.size()), triangles.data()),
            static_cast<int32_t>(triangles.size()));
  return triangles;
}

TEST(SplitQuads, TrianglesColourEveryPixelAsTheDriversQuadsDo) {
  ASSERT_EQ(start_up(), 0);
  // A grid over the window, each corner pushed off it and given its own colour (r, g, b, x, y).
  std::vector<float> corners;
  for (int row = 0; row <= kRows; ++row)
    for (int column = 0; column <= kColumns; ++column) {
      const int n = row * (kColumns + 1) + column;
      const float wobble = 0.04f * static_cast<float>((n * 7) % 5 - 2);
      corners.insert(corners.end(),
                     {float((n * 3) % 4) / 3, float((n * 5) % 3) / 2, float(n % 2),
                      -1 + 2.0f * column / kColumns + wobble, -1 + 2.0f * row / kRows - wobble});
    }
  std::vector<uint32_t> quads, turned;  // turned: each quad begun at its second corner
  for (uint32_t row = 0; row < kRows; ++row)
    for (uint32_t column = 0; column < kColumns; ++column) {
      const uint32_t a = row * (kColumns + 1) + column, b = a + 1, c = b + kColumns + 1, d = c - 1;
      quads.insert(quads.end(), {a, b, c, d});
      turned.insert(turned.end(), {b, c, d, a});
    }
  glUseProgram(0);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glColorPointer(3, GL_FLOAT, 5 * sizeof(float), corners.data());
  glVertexPointer(2, GL_FLOAT, 5 * sizeof(float), corners.data() + 3);

  const RgbImage native = draw(GL_QUADS, quads);
  const RgbImage split_here = draw(GL_TRIANGLES, split(quads));
  const RgbImage control = draw(GL_TRIANGLES, split(turned));
  EXPECT_NO_GL_ERROR();
  size_t differing = 0, control_differing = 0;
  for (size_t i = 0; i < native.pixels.size(); ++i) {
    differing += native.pixels[i] != split_here.pixels[i];
    control_differing += native.pixels[i] != control.pixels[i];
  }
  EXPECT_EQ(differing, 0u) << "channels differing from the driver's quads, of "
                           << native.pixels.size();
  EXPECT_GT(control_differing, native.pixels.size() / 100)
      << "the other diagonal should colour the quads visibly otherwise";
  set_default_gl_state();  // as the other tests expect it
}

// No quads write nothing; entries that end inside a quad stop the program, saying how many.
TEST(SplitQuadsDeathTest, PartOfAQuadAbortsWithTheNumbers) {
  const uint32_t quads[kQuadEntries] = {0, 1, 2, 3};
  uint32_t triangles[kQuadTriangleEntries];
  EXPECT_EQ(split_quads(quads, 0, triangles), 0);
  EXPECT_DEATH(split_quads(quads, 6, triangles), "6 entries are not a whole number of quads");
  EXPECT_DEATH(split_quads(quads, -4, triangles), "-4 entries are not a whole number of quads");
}

}  // namespace
