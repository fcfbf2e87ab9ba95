// The helper: a second GL context, sharing the window context's objects, on which the pieces of a
// line are made beside the drawing thread (app/doily_draw.cpp's surface chunks and lit pieces).
// llvmpipe shades a draw's vertices on the thread that issues it, so the helper capturing while
// the window's context draws keeps two cores busy.
//
// One file per kind of platform implements it: capture_helper.cpp (GLX or EGL),
// capture_helper_none.cpp (no shared contexts: WebGL); the build picks one.
//
// Owns: the helper's GLX or EGL context, its 1x1 pbuffer or framebuffer, and the copy of the
// program it makes pieces with. May not: make the window's context current, write to the arena,
// or outlive the frame: close_helper gives it all back.
#pragma once

#include "shading/gl.h"

#include "pipeline/piece_line.h"

// One line run on the helper. The helper makes its pieces with its own copy of `program`, linked
// from the same shader objects with the same captured outputs and attribute locations: a program's
// built-in uniforms are loaded from the context that draws with it and kept in the program object,
// so two contexts drawing with one program at once would race for them.
struct HelperRun {
  GLuint program;
  // A fence the window's context has flushed after the last change the pieces read; the helper's
  // GL waits for it before its first piece.
  GLsync ready;
  void (*bind_inputs)();  // binds the vertex arrays the pieces read, on the helper; null for none
  GLuint copy;            // the helper's copy of `program` while the line runs
};

// Starts the line's pieces on the helper's context, which is made for the current window context
// first where the frame has none yet. False, with nothing started, where no helper can be had: no
// thread, no shared context, no sync objects. The line's pieces are then made here, as are those
// from the first piece the helper fails on (a GL error: the piece's make returns false) on.
bool start_line_on_helper(PieceLine* line, HelperRun* run);

// Destroys the helper's context, once no line runs on it any more. The frame's end.
void close_helper();
