// The frame: the fixed camera, then one pass per object in rank order. Each pass binds its
// program, then builds its geometry into the arena's reused span and draws it, piece by piece,
// with at most one drawn piece still waiting in the driver while the next is built.
#include "app/frame.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
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
// pieces of 100 tube segments (120,000 vertices, 5.3 MB with their index entries), one in each
// half of the span (see PieceBuilder), the doily in pieces of 15 quad rows (14,985 quads: 59,940
// index entries, and 16,032 lit vertices where they are captured, 16,000 grid vertices where
// not). Only the span's pages are ever touched. The doily's pieces are small because the
// driver's storage for a piece's binned quads, not the arena, is what a piece costs in memory: at
// most two pieces are queued (see PieceQueue); 15 rows peak at 178 MB and draw faster than 25
// (196 MB) or 40 (222 MB), and 10 rows gain no more time. Smaller pieces cost more draw calls
// and, for the doily, a shared vertex row per piece (lit twice where the doily is captured,
// shaded twice where it is drawn from its grid).
constexpr int32_t kSegmentsPerPiece = 100;
constexpr int32_t kDoilyRowsPerPiece = 15;
static_assert(kSegmentsPerPiece * kTubeVertices <= kArenaVertexCapacity, "a piece fits the arena");

// The records (and index entries) of the span: two tube pieces, one in each half. The doily's
// pieces write fewer index entries and, where captured, no records; the glass and the swan are
// one piece each.
constexpr int32_t kHalfSpanRecords = kSegmentsPerPiece * kTubeVertices;
constexpr int32_t kSpanRecords = 2 * kHalfSpanRecords;
static_assert(kSwanVertices <= kSpanRecords && kGlassTopVertices <= kSpanRecords &&
                  kDoilyRowsPerPiece * kDoilyIndexEntriesPerRow <= kSpanRecords,
              "the span mapped ahead must cover every piece");

// A pass built ahead: its pieces are built on the builder's thread, piece i in half i % 2 of the
// span, while this thread draws the piece before; the builder waits until the piece that last
// used a half is drawn before it builds there again. For the whole pass the builder alone moves
// the write cursor and writes the arena; this thread only draws what it is handed.
struct PieceBuilder {
  std::mutex mutex;
  std::condition_variable changed;
  int32_t built = 0;  // pieces of the pass built so far
  int32_t drawn = 0;  // pieces this thread has drawn, whose halves are free again
  ArenaRange written[2];
  std::thread thread;
};
PieceBuilder g_builder;

void build_pieces_ahead(const FramePass* pass) {
  PieceBuilder& b = g_builder;
  int32_t piece = 0;
  for (int32_t first = 0; first < pass->items; first += pass->items_per_piece, ++piece) {
    {
      std::unique_lock<std::mutex> lock(b.mutex);
      b.changed.wait(lock, [&] { return piece - b.drawn < 2; });
    }
    arena_rewind_to(piece % 2 * kHalfSpanRecords);
    const ArenaRange written =
        pass->build(first, std::min(pass->items_per_piece, pass->items - first));
    std::lock_guard<std::mutex> lock(b.mutex);
    b.written[piece % 2] = written;
    b.built = piece + 1;
    b.changed.notify_all();
  }
}

// Starts building the pass ahead; false, with nothing started, where no thread can be had.
bool begin_building_ahead(const FramePass& pass) {
  g_builder.built = g_builder.drawn = 0;
  try {
    g_builder.thread = std::thread(build_pieces_ahead, &pass);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

// The next piece the builder hands over, once it is built.
ArenaRange take_built_piece(int32_t piece) {
  std::unique_lock<std::mutex> lock(g_builder.mutex);
  g_builder.changed.wait(lock, [&] { return g_builder.built > piece; });
  return g_builder.written[piece % 2];
}

// The piece is drawn (the GL has read its records): its half is free again.
void hand_back_piece(int32_t piece) {
  std::lock_guard<std::mutex> lock(g_builder.mutex);
  g_builder.drawn = piece + 1;
  g_builder.changed.notify_all();
}

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
     draw_triangles, nullptr, true},
    // a translucent disc
    {"glass", &ProgramSlots::glass, 1, 1, build_glass, draw_triangles, nullptr, false},
    // lifted on the GPU
    {"doily", &ProgramSlots::doily, kDoilyQuadsPerRow, kDoilyRowsPerPiece, build_doily_pass_piece,
     draw_doily, finish_doily, false},
    // feathers, then neck
    {"swan", &ProgramSlots::swan, 1, 1, build_swan, draw_triangles, nullptr, false},
    // walls, then the dome
    {"cage", &ProgramSlots::cage, kCageSegments, kSegmentsPerPiece, build_cage_piece,
     draw_triangles, nullptr, true},
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
  // One piece: wait until the piece before the last is done, take the piece from `build` (built
  // here, or handed over by the builder), draw it and fence it.
  const auto draw_piece = [&](auto&& build) {
    wait_for_piece_before_last();
    step(PassStep::kBuild);
    const ArenaRange written = build();
    step(PassStep::kDraw);
    pass.draw(written);
    step(PassStep::kDrawn);
    fence_piece();
    if (after_first_piece != nullptr) after_first_piece();
    after_first_piece = nullptr;
  };
  if (pass.built_ahead && begin_building_ahead(pass)) {
    const int32_t pieces = (pass.items + pass.items_per_piece - 1) / pass.items_per_piece;
    for (int32_t piece = 0; piece < pieces; ++piece) {
      draw_piece([piece] { return take_built_piece(piece); });
      hand_back_piece(piece);
    }
    g_builder.thread.join();
  } else {
    for_each_piece(pass.items, pass.items_per_piece, [&](int32_t first, int32_t count) {
      draw_piece([&] { return pass.build(first, count); });
    });
  }
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
