// The camera as a uniform, for a GL without matrix stacks: the projection's aspect is kept until
// the view is loaded, and then the one matrix goes into every program that reads it.
#include "app/camera.h"
#include "shading/es_texts.h"
#include "shading/programs.h"

namespace {

struct CameraUniform {
  double aspect = 1;
};
CameraUniform g_camera;

void load_into(GLuint program, const CameraMatrix& camera) {
  if (program == 0) return;
  const GLint location = glGetUniformLocation(program, kEsModelViewProjection);
  if (location < 0) return;  // a capture program: it reads no camera
  glUseProgram(program);
  glUniformMatrix4fv(location, 1, GL_FALSE, camera.m);
}

}  // namespace

void load_camera_projection(double aspect) {
  g_camera.aspect = aspect;
}

void load_camera_view() {
  const CameraMatrix camera = camera_matrix(g_camera.aspect);
  const ProgramTable& t = g_programs;
  for (GLuint program :
       {t.logged.doily, t.logged.cage, t.logged.glass, t.logged.swan, t.logged.table, t.drawn.doily,
        t.drawn.cage, t.drawn.glass, t.drawn.swan, t.drawn.table})
    load_into(program, camera);
  glUseProgram(0);
}
