// The frame: the fixed camera, then one pass per object in rank order. Each pass binds its
// program, then builds its geometry into the arena's reused span and draws it, piece by piece,
// with at most one drawn piece still waiting in the driver while the next is built.
#include "app/frame.h"

#include <system_error>
#include <thread>

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
// pieces of 25 quad rows (25,000 quads: 100,000 index entries, and 26,052 lit vertices where they
// are captured, 26,000 grid vertices where not). Only the span's pages are ever touched. The
// doily's pieces are small because the driver's storage for a piece's binned quads, not the
// arena, is what a piece costs in memory: at most two pieces are queued (see PieceQueue).
// Smaller pieces cost more draw calls and, for the doily, a shared vertex row per piece (lit
// twice where the doily is captured, shaded twice where it is drawn from its grid).
constexpr int32_t kSegmentsPerPiece = 200;
constexpr int32_t kDoilyRowsPerPiece = 25;
static_assert(kSegmentsPerPiece * kTubeVertices <= kArenaVertexCapacity, "a piece fits the arena");

// The records (and index entries) the largest piece takes: a tube piece. The doily's pieces write
// fewer index entries and, where captured, no records; the glass and the swan are one piece each.
constexpr int32_t kSpanRecords = kSegmentsPerPiece * kTubeVertices;
static_assert(kSwanVertices <= kSpanRecords && kGlassTopVertices <= kSpanRecords &&
                  kDoilyRowsPerPiece * kDoilyIndexEntriesPerRow <= kSpanRecords,
              "the span mapped ahead must cover every piece");

// The thread preparing the frame, from begin_preparing_frame until render_frame joins it. A
// process that ends before it draws waits for the thread at exit (a few tens of milliseconds at
// most) rather than abandon it.
struct FramePreparation {
  std::thread thread;
  ~FramePreparation() {
    if (thread.joinable()) thread.join();
  }
};
FramePreparation g_preparation;

// A software renderer shades and bins a draw's vertices when the draw is issued and rasterises
// them later, on threads of its own: left alone, the binned pieces pile up while the rasterisers
// lag, and their storage is most of the process's peak memory. A fence after each piece, and a
// wait on the one before the last before the next piece is built, keep one piece queued while
// the next is built and drawn. The wait flushes; it never finishes the GL's work. Without sync
// objects (before GL 3.2 and ARB_sync) the pieces are queued as the driver likes.
struct PieceQueue {
  GLsync older = nullptr, newer = nullptr;  // fences after the last two pieces drawn
};
PieceQueue g_queue;

void wait_for(GLsync& fence) {
  if (fence == nullptr) return;
  constexpr GLuint64 kSecond = 1000000000;
  GLenum waited = GL_TIMEOUT_EXPIRED;
  while (waited == GL_TIMEOUT_EXPIRED)
    waited = glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, kSecond);
  glDeleteSync(fence);
  fence = nullptr;
}

void wait_for_piece_before_last() {
  wait_for(g_queue.older);
}

void fence_piece() {
  if (!GLEW_ARB_sync) return;
  wait_for(g_queue.older);  // waited for before this piece was built: only deletes it
  g_queue.older = g_queue.newer;
  g_queue.newer = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
}

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

void run_pass(const FramePass& pass, PassWatcher watch, void (*after_first_piece)()) {
  const auto step = [watch](PassStep s) {
    if (watch != nullptr) watch(s);
  };
  glUseProgram(g_plain_programs.*pass.program);
  for_each_piece(pass.items, pass.items_per_piece, [&](int32_t first, int32_t count) {
    wait_for_piece_before_last();
    step(PassStep::kBuild);
    const ArenaRange written = pass.build(first, count);
    step(PassStep::kDraw);
    pass.draw(written);
    step(PassStep::kDrawn);
    fence_piece();
    if (after_first_piece != nullptr) after_first_piece();
    after_first_piece = nullptr;
  });
  if (pass.finish != nullptr) {
    step(PassStep::kDraw);
    pass.finish();
    step(PassStep::kDrawn);
  }
}

namespace {

void prepare_frame() {
  map_arena_span(kSpanRecords);
  find_flat_doily_points();
}

}  // namespace

void begin_preparing_frame() {
  if (g_preparation.thread.joinable()) return;
  try {
    g_preparation.thread = std::thread(prepare_frame);
  } catch (const std::system_error&) {
    // No thread to be had: the drawing thread takes the page faults itself, as it writes, and
    // the doily's first piece finds the flat points.
  }
}

void render_frame() {
  if (g_preparation.thread.joinable()) g_preparation.thread.join();  // before anything is built
  set_camera();
  // The doily's surface is captured on the helper while the table and the glass are drawn, from
  // the table's first piece on: by then this thread's first draw has set up the driver's shader
  // compiler, whose one-time set-up the helper's first draw would otherwise race for.
  run_pass(kFramePasses[0], nullptr, begin_doily_surface);
  for (int i = 1; i < kFramePassCount; ++i) run_pass(kFramePasses[i]);
  // The frame's last pieces are left to whoever reads or presents the frame.
  if (g_queue.older != nullptr) glDeleteSync(g_queue.older);
  if (g_queue.newer != nullptr) glDeleteSync(g_queue.newer);
  g_queue = {};
}
