// The frame: the fixed camera, then one pass per object in rank order. Each pass binds its
// program, then builds its geometry into the arena's window and draws it, piece by piece.
#include "app/frame.h"

#include <algorithm>

#include <GL/glu.h>

#include "app/draw.h"
#include "scene/cage.h"
#include "scene/doily.h"
#include "scene/swan.h"
#include "scene/table.h"

namespace {

// The eye also lights the picture: the vertex stage's eye vector uses this same point.
constexpr double kEye[3] = {300, 300, 200};
constexpr double kTarget[3] = {0, 70, 0};

// Tube segments per piece. The table and the cage pass through the arena's window in pieces of
// this many segments (480,000 vertices, 21 MB), so only the window's pages are ever touched; the
// doily grid, built between them, covers more than that anyway.
constexpr int32_t kSegmentsPerPiece = 400;
static_assert(kSegmentsPerPiece * kTubeVertices <= kDoilyGridVertices,
              "a piece of tube segments stays within the pages the doily grid touches");

ArenaRange build_glass(int32_t, int32_t) {
  return build_glass_top();
}
ArenaRange build_doily(int32_t, int32_t) {
  return build_doily_grid();
}
ArenaRange build_swan(int32_t, int32_t) {
  return build_swan_body();
}

}  // namespace

// Each pass draws only the pieces it wrote. The doily writes its grid over the start of the
// arena and draws it as quads.
const FramePass kFramePasses[] = {
    {"table", &ProgramSlots::table, kTableSegments, kSegmentsPerPiece, build_table_part,
     draw_triangles},                                                      // legs, then the rim
    {"glass", &ProgramSlots::glass, 1, 1, build_glass, draw_triangles},   // a translucent disc
    {"doily", &ProgramSlots::doily, 1, 1, build_doily, draw_doily},       // lifted on the GPU
    {"swan", &ProgramSlots::swan, 1, 1, build_swan, draw_triangles},      // feathers, then neck
    {"cage", &ProgramSlots::cage, kCageSegments, kSegmentsPerPiece, build_cage_part,
     draw_triangles},  // walls, then the dome
};
const int kFramePassCount = sizeof kFramePasses / sizeof kFramePasses[0];

const int32_t kPictureTriangleVertices =
    kTableVertices + kGlassTopVertices + kSwanVertices + kCageVertices;

void set_camera() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(kEye[0], kEye[1], kEye[2], kTarget[0], kTarget[1], kTarget[2], 0, 1, 0);
}

void run_pass(const FramePass& pass) {
  glUseProgram(g_programs.*pass.program);
  for (int32_t first = 0; first < pass.items; first += pass.items_per_piece) {
    arena_rewind();
    pass.draw(pass.build(first, std::min(pass.items_per_piece, pass.items - first)));
  }
}

void render_frame() {
  set_camera();
  for (const FramePass& pass : kFramePasses) run_pass(pass);
}
