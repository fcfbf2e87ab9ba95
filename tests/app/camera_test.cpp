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

// (x, y, z, w) times column-major m, in double.
void transform(const float m[16], const double in[4], double out[4]) {
  for (int row = 0; row < 4; ++row)
    out[row] = m[row] * in[0] + m[4 + row] * in[1] + m[8 + row] * in[2] + m[12 + row] * in[3];
}

TEST(Camera, OneMatrixPlacesEveryPointWhereTheGlsMatricesDo) {
  ASSERT_EQ(start_up(), 0);
  for (const double aspect : {1280.0 / 720.0, 1.0 / 16384.0, 16384.0}) {
    SCOPED_TRACE(testing::Message() << "aspect " << aspect);
    load_camera_projection(aspect);
    load_camera_view();
    float projection[16], view[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, view);
    const CameraMatrix camera = camera_matrix(aspect);
    // Points across the scene's extent (the floor under the table, the glass, the cage's top)
    // and along the line of sight, where the narrowest picture still sees something; those the
    // picture shows are compared.
    int shown = 0;
    for (const double x : {-250.0, -2.0, 0.0, 2.0, 250.0})
      for (const double y : {-100.0, 60.0, 70.0, 80.0, 330.0})
        for (const double z : {-250.0, -2.0, 0.0, 2.0, 250.0}) {
          // Through the GL's two matrices in turn, and through the one; then divided by w.
          const double point[4] = {x, y, z, 1};
          double eye[4], e[4], o[4];
          transform(view, point, eye);
          transform(projection, eye, e);
          transform(camera.m, point, o);
          for (int i = 0; i < 3; ++i) e[i] /= e[3], o[i] /= o[3];
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
