// The frame: the fixed camera, then one pass per object in rank order. Each pass binds its
// program, writes its geometry into the arena and draws.
#include "app/frame.h"

#include <GL/glu.h>

#include "geometry/arena.h"
#include "scene/cage.h"
#include "scene/doily.h"
#include "scene/swan.h"
#include "scene/table.h"

namespace {

// The eye also lights the picture: the vertex stage's eye vector uses this same point.
constexpr double kEye[3] = {300, 300, 200};
constexpr double kTarget[3] = {0, 70, 0};

}  // namespace

// Triangle passes draw everything written so far; earlier triangles come again at the same depth,
// fail the less-than depth test and change nothing. The doily writes its grid over the start of
// the arena and draws it as quads.
const FramePass kFramePasses[] = {
    {"table", &ProgramSlots::table, build_table, draw_all_triangles},      // legs, then the rim
    {"glass", &ProgramSlots::glass, build_glass_top, draw_all_triangles},  // a translucent disc
    {"doily", &ProgramSlots::doily, fill_lace_grid, draw_lace_grid},       // lifted on the GPU
    {"swan", &ProgramSlots::swan, build_swan_body, draw_all_triangles},    // feathers, then neck
    {"cage", &ProgramSlots::cage, build_cage, draw_all_triangles},         // walls, then the dome
};
const int kFramePassCount = sizeof kFramePasses / sizeof kFramePasses[0];

void set_camera() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(kEye[0], kEye[1], kEye[2], kTarget[0], kTarget[1], kTarget[2], 0, 1, 0);
}

void run_pass(const FramePass& pass) {
  glUseProgram(g_programs.*pass.program);
  pass.generate();
  pass.draw();
}

void render_frame() {
  set_camera();
  for (const FramePass& pass : kFramePasses) run_pass(pass);
}
