// The frame: the fixed camera, then one pass per object in rank order. Each pass binds its
// program, writes its geometry into the arena and draws.
#include <GL/glew.h>
#include <GL/glu.h>

#include "app/shell.h"
#include "geometry/arena.h"
#include "scene/cage.h"
#include "scene/swan.h"
#include "scene/table.h"
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

  glUseProgram(g_programs.table);  // rank 1: the table, in wood
  build_table();                   // five turned legs, then the rim
  draw_all_triangles();            // everything written so far

  glUseProgram(g_programs.glass);  // rank 2: the glass top, translucent
  build_glass_top();               // one flat disc in the rim
  draw_all_triangles();            // earlier triangles fail the depth test again

  // rank 3: lace doily

  glUseProgram(g_programs.swan);  // rank 4: the swan, white
  build_swan_body();              // 17 rows of feather rings, then the neck
  draw_all_triangles();           // everything written so far

  glUseProgram(g_programs.cage);  // rank 5: the bird cage, ivory
  build_cage();                   // walls, then the dome
  draw_all_triangles();           // the finished picture
}
