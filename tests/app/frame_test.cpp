// The frame on the real driver: every solid pass writes its geometry and draws it with its own
// program. Points of the picture are projected with the frame's own matrices and the back buffer
// is read there before any swap.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "app/draw.h"
#include "app/frame.h"
#include "app/shell.h"
#include "geometry/arena.h"
#include "scene/doily.h"
#include "scene/picture.h"
#include "shading/programs.h"
#include "tests/lib/gl_util.h"

namespace {

struct Pixel {
  int r, g, b;
};

// The window pixel that world point (x, y, z) lands on, or false when it lands outside.
bool project(double x, double y, double z, int* px, int* py) {
  GLdouble model[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble wx, wy, wz;
  if (gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz) != GL_TRUE) return false;
  *px = static_cast<int>(std::lround(wx));
  *py = static_cast<int>(std::lround(wy));
  return *px >= 0 && *px < kWindowWidth && *py >= 0 && *py < kWindowHeight;
}

// Draws the frame once and returns the primitives the GL generated for it.
GLuint primitives_of_one_frame() {
  GLuint query = 0;
  glGenQueries(1, &query);
  glBeginQuery(GL_PRIMITIVES_GENERATED, query);
  draw_frame_once();
  glEndQuery(GL_PRIMITIVES_GENERATED);
  GLuint primitives = 0;
  glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
  glDeleteQueries(1, &query);
  return primitives;
}

Pixel read_pixel(int x, int y) {
  uint8_t rgb[3];
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  return {rgb[0], rgb[1], rgb[2]};
}

// The doily is drawn from its grid here, so that every primitive the frame generates is one it
// draws: each triangle of the four solid passes and each doily quad exactly once.
TEST(Frame, DrawsTableSwanAndCageEachWithItsProgram) {
  start_up_capturing_log();
  draw_doily_from_its_grid();
  const GLuint primitives = primitives_of_one_frame();
  const GLuint triangles = kPictureTriangleVertices / 3;
  EXPECT_TRUE(primitives == triangles + GLuint(kDoilyQuadCount) ||
              primitives == triangles + 2 * GLuint(kDoilyQuadCount))
      << primitives << " primitives generated, " << triangles << " triangles and "
      << kDoilyQuadCount << " quads expected";

  // The rim's flat top at radius 220, on the sides of the picture that no cage wire crosses: the
  // table's warm grey, red above blue.
  for (double degrees : {90.0, 300.0, 330.0}) {
    const double a = degrees * M_PI / 180;
    int x, y;
    ASSERT_TRUE(project(220 * std::cos(a), 8, 220 * std::sin(a), &x, &y)) << degrees;
    const Pixel p = read_pixel(x, y);
    EXPECT_GT(p.r, p.b + 10) << "rim at " << degrees << " degrees: " << p.r << ", " << p.g << ", "
                             << p.b;
    EXPECT_GE(p.r, p.g);
    EXPECT_GE(p.g, p.b);
  }

  // Around the swan's back: many lit, unsaturated pixels of pure grey, the swan program's white
  // under light (about 680 here; the table or cage program would give none).
  int cx, cy;
  ASSERT_TRUE(project(0, 90, 0, &cx, &cy));
  int white = 0;
  for (int y = cy - 60; y <= cy + 60; y += 2) {
    for (int x = cx - 100; x <= cx + 100; x += 2) {
      const Pixel p = read_pixel(x, y);
      if (p.r > 100 && p.r < 250 && p.r == p.g && p.g == p.b) ++white;
    }
  }
  EXPECT_GT(white, 300) << "of 101 x 61 samples";

  // The ribs meet at the apex, in front of the black background: ivory, red above blue.
  int ax, ay;
  ASSERT_TRUE(project(0, 225, 0, &ax, &ay));
  int ivory = 0;
  for (int y = ay - 2; y <= ay + 2; ++y) {
    for (int x = ax - 2; x <= ax + 2; ++x) {
      const Pixel p = read_pixel(x, y);
      if (p.r > 20 && p.r > p.b) ++ivory;
    }
  }
  EXPECT_GT(ivory, 12) << "of 25 pixels around the apex";
}

// A pass built ahead hands each piece over whole and keeps it whole until it is drawn: a builder
// that stamps every record with its piece's number, and a slow draw that checks the stamps after
// the builder has had time to run ahead. The pieces come in order, each exactly once.
struct StampedPasses {
  int32_t pieces_drawn = 0, torn = 0, out_of_order = 0;
};
StampedPasses g_stamped;

ArenaRange build_stamped(int32_t first, int32_t count) {
  const int32_t start = g_arena.count;
  arena_reserve(count * 3);
  for (int32_t i = 0; i < count; ++i) {
    const float stamp = float(first);
    emit_reserved_triangle({stamp, 0, 0}, {stamp, 1, 0}, {stamp, 0, 1});
  }
  return triangles_since(start, g_arena.count);
}

void draw_stamped_piece(PassPiece* piece) {
  const ArenaRange& written = piece->written;
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const float stamp = g_arena.vertices[written.first_vertex].x;
  if (stamp != float(g_stamped.pieces_drawn * 1000)) ++g_stamped.out_of_order;
  for (int32_t k = written.first_vertex; k < written.first_vertex + written.vertex_count; ++k)
    if (g_arena.vertices[k].x != stamp) {
      ++g_stamped.torn;
      break;
    }
  ++g_stamped.pieces_drawn;
}

TEST(Frame, PassBuiltAheadKeepsEachPieceWholeUntilItIsDrawn) {
  start_up_capturing_log();
  const FramePass stamped = {.name = "stamped",
                             .program = &MaterialPrograms::cage,
                             .items = 12000,
                             .items_per_piece = 1000,
                             .make = make_in_span<build_stamped>,
                             .draw = draw_stamped_piece,
                             .start_beside = start_on_a_thread};
  run_pass(stamped);
  EXPECT_EQ(g_stamped.pieces_drawn, 12);
  EXPECT_EQ(g_stamped.out_of_order, 0);
  EXPECT_EQ(g_stamped.torn, 0) << "pieces overwritten before they were drawn";
}

// The triangle draw reads records straight, so a range whose index entries are not its records in
// order (the doily's quads, say) must be refused, with the numbers, not drawn as something else.
TEST(FrameDeathTest, TriangleDrawRefusesEntriesThatDoNotNameItsRecordsInOrder) {
  EXPECT_DEATH(draw_triangles({0, 3, 6, 3}),
               "index entries 6 \\.\\. \\+3 do not name records 0 \\.\\. \\+3 in order");
  EXPECT_DEATH(draw_triangles({0, 6, 0, 3}), "do not name records 0 \\.\\. \\+6");
}

// The span's pages are mapped and the doily's flat points found on another thread while the
// window opens; the frame must wait for it before its first piece. Run under ThreadSanitizer by
// the test script, where a frame that does not wait is a reported race; anywhere, the frame must
// come out whole.
TEST(Frame, WaitsForItsPreparationBeforeItsFirstPiece) {
  start_up_capturing_log();
  begin_preparing_frame();
  EXPECT_GE(primitives_of_one_frame(), GLuint(kPictureTriangleVertices / 3));
}

}  // namespace
