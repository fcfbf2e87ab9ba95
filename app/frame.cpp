// The frame: the fixed camera, then one pass per object in rank order. Each pass binds its
// program, writes its geometry into the arena and draws.
#include <GL/glew.h>
#include <GL/glu.h>

#include "app/shell.h"
#include "geometry/arena.h"
#include "scene/doily.h"
#include "shading/programs.h"

namespace {

// The eye also lights the picture: the vertex stage's eye vector uses this same point.
constexpr double kEye[3] = {300, 300, 200};
constexpr double kTarget[3] = {0, 70, 0};

}  // namespace

void render_frame() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(kEye[0], kEye[1], kEye[2], kTarget[0], kTarget[1], kTarget[2], 0, 1, 0);
  glUseProgram(g_programs.doily);  // rank 3: the lace doily, shaped by the doily vertex stage
  build_lace_grid();
}
