// The camera made into one matrix in the steps GLU and the GL take: GLU works out the projection
// in double and the view in float, the GL keeps both in float and multiplies them in float.
#include "app/camera.h"

#include <cmath>

namespace {

void normalize(float v[3]) {
  const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  for (int i = 0; i < 3; ++i) v[i] = static_cast<float>(v[i] / length);
}

void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

// a times b, column-major, each element summed in the order k = 0 .. 3.
void multiply(const float a[16], const float b[16], float out[16]) {
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column)
      out[column * 4 + row] = a[row] * b[column * 4] + a[4 + row] * b[column * 4 + 1] +
                              a[8 + row] * b[column * 4 + 2] + a[12 + row] * b[column * 4 + 3];
}

}  // namespace

CameraMatrix camera_matrix(double aspect) {
  const double half = kFieldOfViewDegrees / 2 * M_PI / 180;
  const double cotangent = std::cos(half) / std::sin(half);
  const double depth = kFarPlane - kNearPlane;
  const float projection[16] = {static_cast<float>(cotangent / aspect),
                                0,
                                0,
                                0,
                                0,
                                static_cast<float>(cotangent),
                                0,
                                0,
                                0,
                                0,
                                static_cast<float>(-(kFarPlane + kNearPlane) / depth),
                                -1,
                                0,
                                0,
                                static_cast<float>(-2 * kNearPlane * kFarPlane / depth),
                                0};
  float forward[3], up[3] = {float(kUp[0]), float(kUp[1]), float(kUp[2])}, side[3];
  for (int i = 0; i < 3; ++i) forward[i] = static_cast<float>(kTarget[i] - kEye[i]);
  normalize(forward);
  cross(forward, up, side);
  normalize(side);
  cross(side, forward, up);
  float view[16] = {side[0], up[0], -forward[0], 0, side[1], up[1], -forward[1], 0,
                    side[2], up[2], -forward[2], 0, 0,       0,     0,           1};
  // The translation to the eye, applied after the rotation as glTranslate does.
  for (int row = 0; row < 4; ++row)
    view[12 + row] = view[row] * static_cast<float>(-kEye[0]) +
                     view[4 + row] * static_cast<float>(-kEye[1]) +
                     view[8 + row] * static_cast<float>(-kEye[2]) + view[12 + row];
  CameraMatrix camera;
  multiply(projection, view, camera.m);
  return camera;
}
