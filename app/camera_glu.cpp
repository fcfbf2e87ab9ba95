// The camera loaded into the GL's matrix stacks through GLU.
#include <GL/glew.h>
#include <GL/glu.h>

#include "app/camera.h"

void load_camera_projection(double aspect) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(kFieldOfViewDegrees, aspect, kNearPlane, kFarPlane);
}

void load_camera_view() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(kEye[0], kEye[1], kEye[2], kTarget[0], kTarget[1], kTarget[2], kUp[0], kUp[1], kUp[2]);
}
