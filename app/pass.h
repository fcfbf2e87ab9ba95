// The shape of a pass of the frame: a producer of pieces, the line that hands them over, and a
// draw that consumes them, each named in one table entry (app/frame.cpp's kFramePasses).
//
// Owns: FramePass, PassPiece and the steps a watcher sees. May not: run anything; app/frame.cpp
// runs the passes.
#pragma once

#include <cstdint>

#include "shading/gl.h"

#include "geometry/arena.h"
#include "pipeline/piece_line.h"
#include "shading/programs.h"

// One piece of a pass, as its producer made it and its draw receives it.
struct PassPiece {
  int32_t index;         // 0, 1, ... in the pass's order
  int32_t first, count;  // the pass's items it holds: tube segments, quad rows, or 0 and 1
  ArenaRange written;    // what its builder wrote into the arena's span, for pieces drawn from it
  // A piece made on the GL instead (the doily's lit pieces): its records and its quads' index
  // entries in buffer objects of its own, and the fence after them where the helper made it (null
  // where the drawing thread did).
  GLuint records, quads;
  int32_t quad_entries;
  GLsync made;
};

struct FramePass {
  const char* name;
  GLuint MaterialPrograms::*program;  // the pass draws with g_programs.drawn.*program
  int32_t items = 1;                  // tube segments, quad rows, or 1 for an object in one piece
  int32_t items_per_piece = 1;        // how many go through the arena's span at once
  int64_t vertices = 0;               // what the pass draws in all (the progress line counts it)
  // Makes the piece's items into it: on the drawing thread (`beside` false), or on the thread
  // start_beside started. False when it could not make it beside: it is then made here again.
  bool (*make)(PassPiece* piece, bool beside);
  // Draws the piece with the pass's program bound; deletes what the piece holds on the GL.
  void (*draw)(PassPiece* piece);
  // Lets go of a piece made but never drawn (a pass cut short); null where pieces hold nothing.
  void (*let_go)(PassPiece* piece) = nullptr;
  // Starts making the pass's pieces beside the drawing thread: on a thread of its own, or on the
  // helper's context. False, or null, where they are made here as they are taken.
  bool (*start_beside)(PieceLine* line) = nullptr;
  void (*begin)() = nullptr;  // before the pass's first piece; null for nothing
  void (*end)() = nullptr;    // after its last piece; null for nothing
  // Started once the pass's first piece is drawn: work for a later pass that runs beside this one
  // (the doily's surface, from the table's first piece on); null for none.
  void (*kick_off)() = nullptr;
};

// The moments of a pass that a watcher sees: the pass begins, a piece is about to be taken (made
// here, or waited for), it is about to be drawn, it has been drawn.
enum class PassStep { kBegin, kTake, kDraw, kDrawn };
// Returns false to leave the rest of the pass out: at kBegin every piece (the pass's begin and end
// still run), at a later step every piece after this one.
using PassWatcher = bool (*)(const FramePass& pass, PassStep step);
