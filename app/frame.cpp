// The frame: the fixed camera, then one pass per object in rank order. Each pass binds its
// program, then takes its pieces from its line and draws them, with at most one drawn piece still
// waiting in the driver while the next is taken.
#include "app/frame.h"

#include <algorithm>

#include "app/arrays.h"
#include "app/camera.h"
#include "app/capture_helper.h"
#include "app/doily_draw.h"
#include "app/draw.h"
#include "scene/doily.h"
#include "scene/picture.h"

namespace {

constexpr double kAspect = 1.7777777777777777;  // 16:9

// How much of an object passes through the arena's span at once. The table and the cage go in
// pieces of 100 tube segments (120,000 vertices, 5.3 MB with their index entries), piece i in half
// i % 2 of the span, so that one is built while the other is drawn; the doily in pieces of 15 quad
// rows (14,985 quads: 59,940 index entries, and 16,032 lit vertices where they are captured,
// 16,000 grid vertices where not). Only the span's pages are ever touched. The doily's pieces are
// small because the driver's storage for a piece's binned quads, not the arena, is what a piece
// costs in memory: at most two pieces are queued (see PieceQueue); 15 rows peak at 178 MB and draw
// faster than 25 (196 MB) or 40 (222 MB), and 10 rows gain no more time. Smaller pieces cost more
// draw calls and, for the doily, a shared vertex row per piece (lit twice where the doily is
// captured, shaded twice where it is drawn from its grid).
constexpr int32_t kSegmentsPerPiece = 100;
constexpr int32_t kDoilyRowsPerPiece = 15;

// Pieces made ahead of the one being drawn: one, in the span's other half.
constexpr int32_t kPassLead = 2;
constexpr int32_t kHalfSpanRecords = kSegmentsPerPiece * kTubeVertices;
constexpr int32_t kSpanRecords = kPassLead * kHalfSpanRecords;
static_assert(kSpanRecords <= kArenaVertexCapacity, "the span fits the arena");
// The doily's pieces write fewer index entries and, where captured, no records; the glass and the
// swan are one piece each, in the first half.
static_assert(kSwanVertices <= kSpanRecords && kGlassTopVertices <= kSpanRecords &&
                  kDoilyRowsPerPiece * kDoilyIndexEntriesPerRow <= kSpanRecords,
              "the span mapped ahead must cover every piece");

// A pass while it runs: its line and the slots its pieces are made into, piece i in slot i % 2.
struct PassRun {
  const FramePass* pass;
  PieceLine line;
  PassPiece slots[kPassLead];
};

bool make_pass_piece(void* producer, int32_t index, bool beside) {
  PassRun& run = *static_cast<PassRun*>(producer);
  const FramePass& pass = *run.pass;
  PassPiece& piece = run.slots[index % kPassLead];
  piece = {};
  piece.index = index;
  piece.first = index * pass.items_per_piece;
  piece.count = std::min(pass.items_per_piece, pass.items - piece.first);
  return pass.make(&piece, beside);
}

ArenaRange build_glass(int32_t, int32_t) {
  return build_glass_top();
}
ArenaRange build_swan(int32_t, int32_t) {
  return build_swan_body();
}

// A software renderer shades and bins a draw's vertices when the draw is issued and rasterises
// them later, on threads of its own: left alone, the binned pieces pile up while the rasterisers
// lag, and their storage is most of the process's peak memory. A fence after each piece, and a
// wait on the one before the last before the next piece is taken, keep one piece queued while
// the next is taken and drawn. The wait flushes; it never finishes the GL's work. Without sync
// objects (before GL 3.2 and ARB_sync) the pieces are queued as the driver likes.
struct PieceQueue {
  GLsync older = nullptr, newer = nullptr;  // fences after the last two pieces drawn
};

// The frame while it is drawn, from begin_preparing_frame to the end of render_frame.
struct FrameState {
  PieceLine preparation;  // one piece: the span mapped and the flat points found
  bool preparing = false;
  PieceQueue queue;
};
FrameState g_frame;

void wait_for(GLsync& fence) {
  if (fence == nullptr) return;
  constexpr GLuint64 kSecond = 1000000000;
  GLenum waited = GL_TIMEOUT_EXPIRED;
  while (waited == GL_TIMEOUT_EXPIRED)
    waited = glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, kSecond);
  glDeleteSync(fence);
  fence = nullptr;
}

void fence_piece() {
  PieceQueue& q = g_frame.queue;
  if (!gl_offers().fences) return;
  wait_for(q.older);  // waited for before this piece was taken: only deletes it
  q.older = q.newer;
  q.newer = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
}

bool prepare_frame(void*, int32_t, bool) {
  map_arena_span(kSpanRecords);
  find_flat_doily_points();
  return true;
}

// An object built here, in one piece, and drawn from the span.
constexpr FramePass one_piece_pass(const char* name, GLuint MaterialPrograms::*program,
                                   int64_t vertices, bool (*make)(PassPiece*, bool)) {
  return {
      .name = name, .program = program, .vertices = vertices, .make = make, .draw = draw_from_span};
}

// An object of tube segments, cut into pieces built a piece ahead on a thread of their own, each
// into its half of the span.
constexpr FramePass tube_pass(const char* name, GLuint MaterialPrograms::*program, int32_t segments,
                              int64_t vertices, bool (*make)(PassPiece*, bool),
                              void (*kick_off)() = nullptr) {
  FramePass pass = one_piece_pass(name, program, vertices, make);
  pass.items = segments;
  pass.items_per_piece = kSegmentsPerPiece;
  pass.start_beside = start_on_a_thread;
  pass.kick_off = kick_off;
  return pass;
}

}  // namespace

// Each pass draws only the pieces it made, the triangle passes each piece from its half of the
// arena's span, the doily from its own buffers (or its grid, over the span's start).
const FramePass kFramePasses[] = {
    // legs, then the rim; the doily's surface is captured on the helper meanwhile, from the first
    // piece on: by then this thread's first draw has set up the driver's shader compiler, whose
    // one-time set-up the helper's first draw would otherwise race for
    tube_pass("table", &MaterialPrograms::table, kTableSegments, kTableVertices,
              make_in_span<build_table_piece>, begin_doily_surface),
    // a translucent disc
    one_piece_pass("glass", &MaterialPrograms::glass, kGlassTopVertices, make_in_span<build_glass>),
    // lifted on the GPU
    {.name = "doily",
     .program = &MaterialPrograms::doily,
     .items = kDoilyQuadsPerRow,
     .items_per_piece = kDoilyRowsPerPiece,
     .vertices = kDoilyGridVertices,
     .make = make_doily_piece,
     .draw = draw_doily_piece,
     .let_go = let_go_of_doily_piece,
     .start_beside = start_doily_pieces_on_helper,
     .begin = complete_doily_surface,
     .end = let_go_of_doily_surface},
    // feathers, then neck
    one_piece_pass("swan", &MaterialPrograms::swan, kSwanVertices, make_in_span<build_swan>),
    // walls, then the dome
    tube_pass("cage", &MaterialPrograms::cage, kCageSegments, kCageVertices,
              make_in_span<build_cage_piece>),
};
const int kFramePassCount = sizeof kFramePasses / sizeof kFramePasses[0];

bool build_in_span(PassPiece* piece, ArenaRange (*build)(int32_t first, int32_t count)) {
  arena_rewind_to(piece->index % kPassLead * kHalfSpanRecords);
  piece->written = build(piece->first, piece->count);
  return true;
}

void draw_from_span(PassPiece* piece) {
  draw_triangles(piece->written);
}

bool start_on_a_thread(PieceLine* line) {
  return start_line_beside(line);
}

void run_pass(const FramePass& pass, PassWatcher watch) {
  const auto see = [&](PassStep step) { return watch == nullptr || watch(pass, step); };
  const GLuint program = g_programs.drawn.*pass.program;
  const int32_t all = (pass.items + pass.items_per_piece - 1) / pass.items_per_piece;
  PassRun run;
  run.pass = &pass;
  open_line(&run.line, make_pass_piece, &run, see(PassStep::kBegin) ? all : 0, kPassLead);
  if (pass.begin != nullptr) pass.begin();
  if (pass.start_beside != nullptr) pass.start_beside(&run.line);
  int32_t taken = 0;
  while (taken < run.line.pieces) {
    wait_for(g_frame.queue.older);  // the piece before the last is done
    bool go_on = see(PassStep::kTake);
    take_piece(&run.line, taken);
    PassPiece& piece = run.slots[taken % kPassLead];
    // A piece made here may have bound another program on the way (the doily's lighting).
    glUseProgram(program);
    go_on = see(PassStep::kDraw) && go_on;
    pass.draw(&piece);
    go_on = see(PassStep::kDrawn) && go_on;
    fence_piece();
    hand_back_piece(&run.line, taken);
    if (++taken == 1 && pass.kick_off != nullptr) pass.kick_off();
    if (!go_on) break;
  }
  const int32_t made = cut_line(&run.line);
  for (int32_t index = taken; index < made && pass.let_go != nullptr; ++index)
    pass.let_go(&run.slots[index % kPassLead]);
  if (pass.end != nullptr) pass.end();
}

// Every piece of GL state the picture relies on, set once: the projection, back-face culling,
// the less-than depth test and alpha blending, and the arena's interleaved arrays, which stay
// bound for every draw of the run.
void set_default_gl_state() {
  load_camera_projection(kAspect);
  glEnable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  bind_arena_arrays();
}

void begin_preparing_frame() {
  FrameState& f = g_frame;
  if (f.preparing) return;
  open_line(&f.preparation, prepare_frame, nullptr, 1, 1);
  start_line_beside(&f.preparation);  // or render_frame prepares it
  f.preparing = true;
}

void render_frame(PassWatcher watch) {
  FrameState& f = g_frame;
  if (f.preparing) finish_line(&f.preparation);  // before anything is built
  f.preparing = false;
  load_camera_view();
  for (int i = 0; i < kFramePassCount; ++i) run_pass(kFramePasses[i], watch);
  let_go_of_doily_surface();  // where the doily pass was left out after the table began it
  close_helper();
  // The frame's last pieces are left to whoever reads or presents the frame.
  if (f.queue.older != nullptr) glDeleteSync(f.queue.older);
  if (f.queue.newer != nullptr) glDeleteSync(f.queue.newer);
  f.queue = {};
}

void let_go_of_drawing() {
  delete_all_programs();
  // The compiler's own tables (GLSL's built-in functions, some megabytes) go too: nothing is
  // compiled from here on.
  if (gl_offers().compiler_release) glReleaseShaderCompiler();
  give_back_arena_pages();
}
