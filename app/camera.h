// The camera: the eye, the point it looks at, the vertical field of view and the depth range.
// Where the GL has matrix stacks they are loaded through GLU (camera_glu.cpp); where it has none
// (WebGL 2) the same camera is one matrix that every program takes as a uniform
// (camera_uniform.cpp). The build picks one.
//
// Owns: the camera's numbers. May not: touch GL state other than the projection and model-view
// matrix stacks, or the programs' camera uniform.
#pragma once

constexpr double kFieldOfViewDegrees = 45;
constexpr double kNearPlane = 1;
constexpr double kFarPlane = 8192;
// The eye also lights the picture: the vertex stage's eye vector uses this same point.
constexpr double kEye[3] = {300, 300, 200};
constexpr double kTarget[3] = {0, 70, 0};
constexpr double kUp[3] = {0, 1, 0};

// Loads the projection for a picture whose width is `aspect` times its height: the vertical field
// of view stays, and the horizontal one follows the aspect, so a picture of any size shows the
// window's framing: 45 degrees vertically, near plane 1, far plane 8192. Leaves the projection
// matrix current; as a uniform, keeps the aspect for load_camera_view.
void load_camera_projection(double aspect);

// Loads the view: the eye looking at the target, y up. Leaves the model-view matrix current; as a
// uniform, loads projection times view into every program of the table, which must be built by
// then, and leaves no program in use.
void load_camera_view();

// Projection times view, column-major as the GL keeps matrices: the matrix a program reads as
// gl_ModelViewProjectionMatrix once both are loaded, computed without the GL.
struct CameraMatrix {
  float m[16];
};
CameraMatrix camera_matrix(double aspect);
