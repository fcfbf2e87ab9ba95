// The frame's passes: which program shades each object of the picture, which builder writes its
// geometry and which draw submits it, in rank order.
//
// Owns: the camera, the order of the passes and how each object is cut into pieces that pass
// through the arena's reused span.
// May not: draw more than a piece's builder reports it wrote.
#pragma once

#include <cstdint>

#include <GL/glew.h>

#include "geometry/arena.h"
#include "shading/programs.h"

struct FramePass {
  const char* name;
  GLuint ProgramSlots::*program;
  int32_t items;            // tube segments, or 1 for an object built in one piece
  int32_t items_per_piece;  // how many go through the arena's span at once
  // Builds items first .. first + count - 1 at the arena's write cursor; returns what it wrote.
  ArenaRange (*build)(int32_t first, int32_t count);
  void (*draw)(const ArenaRange& written);
  void (*finish)();  // draws what the pass's draws left waiting, or null
  // Built a piece ahead on a thread of its own, where one can be had: for passes of many pieces
  // whose builders only write the arena (not the doily's, which notes its rows for its draw).
  bool built_ahead;
};

extern const FramePass kFramePasses[];
extern const int kFramePassCount;

// The moments of a pass that a benchmark may watch: a piece is about to be built, its draw (or the
// pass's finishing draw) is about to be submitted, that draw has been submitted.
enum class PassStep { kBuild, kDraw, kDrawn };
using PassWatcher = void (*)(PassStep step);

// The fixed camera: eye (300, 300, 200), looking at (0, 70, 0), +Y up.
void set_camera();

// Binds the pass's program (its plain program: g_plain_programs), then builds and draws its pieces
// one after the other, each from the start of the arena, and finishes the pass. `watch`, when
// given, is called at each step, and `after_first_piece` once the first piece is drawn.
void run_pass(const FramePass& pass, PassWatcher watch = nullptr,
              void (*after_first_piece)() = nullptr);

// Does on a thread of its own what the frame needs before its first piece and no GL for: maps the
// pages of the arena's span, which the span's first writes would otherwise fault in on the drawing
// thread (about 30 ms on a virtual machine, where each huge page is cleared when first touched),
// and finds the doily's flat points (find_flat_doily_points, about 30 ms more). Called first
// thing, it runs while the window and the GL start; render_frame waits for it before it builds.
void begin_preparing_frame();

// The camera, then every pass in rank order, into the current back buffer.
void render_frame();
