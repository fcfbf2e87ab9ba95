// The camera: the eye, the point it looks at, the vertical field of view and the depth range.
// Where the GL has matrix stacks they are loaded through GLU; where it has none (WebGL 2) the same
// camera is one matrix that the programs take as a uniform.
//
// Owns: the camera's numbers. May not: touch GL state other than the projection and model-view
// matrix stacks.
#pragma once

// Loads the projection for a picture whose width is `aspect` times its height: the vertical field
// of view stays, and the horizontal one follows the aspect, so a picture of any size shows the
// window's framing: 45 degrees vertically, near plane 1, far plane 8192. Leaves the projection
// matrix current.
void load_camera_projection(double aspect);

// Loads the view: the eye looking at the target, y up. Leaves the model-view matrix current.
void load_camera_view();

// Projection times view, column-major as the GL keeps matrices: the matrix a program reads as
// gl_ModelViewProjectionMatrix once both are loaded, computed without the GL.
struct CameraMatrix {
  float m[16];
};
CameraMatrix camera_matrix(double aspect);
