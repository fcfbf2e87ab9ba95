// The frame: the fixed camera, then one pass per object in rank order. Each pass binds its
// program, then builds its geometry into the arena's reused span and draws it, piece by piece.
#include "app/frame.h"

#include <GL/glu.h>

#include "app/doily_draw.h"
#include "app/draw.h"
#include "scene/doily.h"
#include "scene/picture.h"

namespace {

// The eye also lights the picture: the vertex stage's eye vector uses this same point.
constexpr double kEye[3] = {300, 300, 200};
constexpr double kTarget[3] = {0, 70, 0};

// How much of an object passes through the arena's span at once. The table and the cage go in
// pieces of 200 tube segments (240,000 vertices, 10.6 MB with their index entries), the doily in
// pieces of 250 quad rows (251,000 vertices and 999,000 index entries, 14 MB). Only the span's
// pages are ever touched, and the doily's captured vertices and quads need buffers of two pieces'
// size (one drawn while the next is captured).
// Smaller pieces cost more draw calls and, for the doily, a shared vertex row per piece.
constexpr int32_t kSegmentsPerPiece = 200;
constexpr int32_t kDoilyRowsPerPiece = 250;
static_assert(kSegmentsPerPiece * kTubeVertices <= kArenaVertexCapacity, "a piece fits the arena");

ArenaRange build_glass(int32_t, int32_t) {
  return build_glass_top();
}
ArenaRange build_swan(int32_t, int32_t) {
  return build_swan_body();
}

}  // namespace

// Each pass draws only the pieces it wrote, each piece from the start of the arena. The doily's
// pieces are rows of its grid, drawn as quads.
const FramePass kFramePasses[] = {
    // legs, then the rim
    {"table", &ProgramSlots::table, kTableSegments, kSegmentsPerPiece, build_table_piece,
     draw_triangles, nullptr},
    // a translucent disc
    {"glass", &ProgramSlots::glass, 1, 1, build_glass, draw_triangles, nullptr},
    // lifted on the GPU
    {"doily", &ProgramSlots::doily, kDoilyQuadsPerRow, kDoilyRowsPerPiece, build_doily_pass_piece,
     draw_doily, finish_doily},
    // feathers, then neck
    {"swan", &ProgramSlots::swan, 1, 1, build_swan, draw_triangles, nullptr},
    // walls, then the dome
    {"cage", &ProgramSlots::cage, kCageSegments, kSegmentsPerPiece, build_cage_piece,
     draw_triangles, nullptr},
};
const int kFramePassCount = sizeof kFramePasses / sizeof kFramePasses[0];

void set_camera() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(kEye[0], kEye[1], kEye[2], kTarget[0], kTarget[1], kTarget[2], 0, 1, 0);
}

void run_pass(const FramePass& pass, PassWatcher watch) {
  const auto step = [watch](PassStep s) {
    if (watch != nullptr) watch(s);
  };
  glUseProgram(g_programs.*pass.program);
  for_each_piece(pass.items, pass.items_per_piece, [&](int32_t first, int32_t count) {
    step(PassStep::kBuild);
    const ArenaRange written = pass.build(first, count);
    step(PassStep::kDraw);
    pass.draw(written);
    step(PassStep::kDrawn);
  });
  if (pass.finish != nullptr) {
    step(PassStep::kDraw);
    pass.finish();
    step(PassStep::kDrawn);
  }
}

void render_frame() {
  set_camera();
  for (const FramePass& pass : kFramePasses) run_pass(pass);
}
