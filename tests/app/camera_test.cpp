// The camera as one matrix, which a GL without matrix stacks (WebGL 2) hands its programs, against
// what the GL itself makes of the GLU calls: for the window's 16:9 and at the narrowest and widest
// pictures the snapshot draws, every scene point the frame can show lands on the same spot.
#include <cmath>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "app/camera.h"
#include "tests/lib/gl_util.h"

namespace {

constexpr double kSide = 2.0 / 16384 / 100;  // in normalised device coordinates, -1 .. 1
constexpr double kDepth = 4 * 2.0 / (1 << 24);

// The GL's own projection times model-view, in double.
void gl_camera(double out[16]) {
  float p[16], v[16];
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  glGetFloatv(GL_MODELVIEW_MATRIX, v);
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column) {
      out[column * 4 + row] = 0;
      for (int k = 0; k < 4; ++k)
        out[column * 4 + row] += double(p[k * 4 + row]) * v[column * 4 + k];
    }
}

// Normalised device coordinates of point (x, y, z) under column-major m.
void project(const double m[16], double x, double y, double z, double out[3]) {
  double clip[4];
  for (int row = 0; row < 4; ++row)
    clip[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
  for (int i = 0; i < 3; ++i) out[i] = clip[i] / clip[3];
}

TEST(Camera, OneMatrixPlacesEveryPointWhereTheGlsMatricesDo) {
  ASSERT_EQ(start_up(), 0);
  for (const double aspect : {1280.0 / 720.0, 1.0 / 16384.0, 16384.0}) {
    SCOPED_TRACE(testing::Message() << "aspect " << aspect);
    load_camera_projection(aspect);
    load_camera_view();
    double expected[16], observed[16];
    gl_camera(expected);
    const CameraMatrix camera = camera_matrix(aspect);
    for (int i = 0; i < 16; ++i) observed[i] = camera.m[i];
    // Points across the scene's extent (the floor under the table, the glass, the cage's top)
    // and along the line of sight, where the narrowest picture still sees something; those the
    // picture shows are compared.
    int shown = 0;
    for (const double x : {-250.0, -2.0, 0.0, 2.0, 250.0})
      for (const double y : {-100.0, 60.0, 70.0, 80.0, 330.0})
        for (const double z : {-250.0, -2.0, 0.0, 2.0, 250.0}) {
          double e[3], o[3];
          project(expected, x, y, z, e);
          project(observed, x, y, z, o);
          if (std::fabs(e[0]) > 1 || std::fabs(e[1]) > 1 || std::fabs(e[2]) > 1) continue;
          ++shown;
          // A hundredth of a pixel at the widest picture's 16384 pixels, and four steps of a
          // 24-bit depth buffer: the float matrices' rounding, not another camera.
          EXPECT_NEAR(o[0], e[0], kSide) << x << ", " << y << ", " << z;
          EXPECT_NEAR(o[1], e[1], kSide) << x << ", " << y << ", " << z;
          EXPECT_NEAR(o[2], e[2], kDepth) << x << ", " << y << ", " << z;
        }
    EXPECT_GE(shown, 3) << "too few points in view to compare";
  }
  EXPECT_NO_GL_ERROR();
}

}  // namespace
