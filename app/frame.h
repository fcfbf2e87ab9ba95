// The frame: the camera, then one pass per object in rank order, each a line of pieces made beside
// the drawing thread (or here) and drawn in order; and what the frame lets go of once shown.
//
// Owns: the camera, the pass table, the arena's span and how each object is cut into pieces that
// pass through it, the thread that prepares the frame, and the fences that bound the driver's
// queue. May not: draw more than a piece's producer reports it made.
#pragma once

#include <cstdint>

#include "app/pass.h"

extern const FramePass kFramePasses[];
extern const int kFramePassCount;

// The producer of a pass drawn from the arena: builds the piece's items with `build` into its half
// of the span (piece i into half i % 2), so that one piece is built while the one before is drawn.
bool build_in_span(PassPiece* piece, ArenaRange (*build)(int32_t first, int32_t count));
template <ArenaRange (*build)(int32_t first, int32_t count)>
bool make_in_span(PassPiece* piece, bool) {
  return build_in_span(piece, build);
}
// Draws a piece build_in_span built: its triangles, straight from the span.
void draw_from_span(PassPiece* piece);
// Starts a pass's line on a thread of its own.
bool start_on_a_thread(PieceLine* line);

// Binds the pass's program and draws its pieces in order, each taken from the pass's line, made
// beside the drawing thread where the pass says and one can be had, here otherwise. `watch`, when
// given, sees each step and may leave the rest of the pass out.
void run_pass(const FramePass& pass, PassWatcher watch = nullptr);

// The projection, culling, depth test, blending and the arena's arrays: every piece of GL state
// the picture relies on, set once.
void set_default_gl_state();

// Starts, beside the window's start, what the frame needs before its first piece and no GL for:
// maps the pages of the arena's span, which the span's first writes would otherwise fault in on
// the drawing thread (about 30 ms on a virtual machine, where each huge page is cleared when first
// touched), and finds the doily's flat points (find_flat_doily_points, about 30 ms more).
// render_frame takes it before it builds, and does it there where no thread could be had.
void begin_preparing_frame();

// The camera, then every pass in rank order, into the current back buffer; `watch` as run_pass's.
// Ends with nothing of the frame's running beside it: every thread ended, the helper closed.
void render_frame(PassWatcher watch = nullptr);

// Once the picture is drawn and kept: deletes every program and shader, and returns the arena's
// pages to the kernel. With the heap's free memory given back too (give_back_free_heap), what is
// left is what presenting the kept picture needs. Nothing can be drawn again afterwards.
void let_go_of_drawing();
