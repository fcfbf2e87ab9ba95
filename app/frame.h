// The frame's passes: which program shades each object of the picture, which builder writes its
// geometry and which draw submits it, in rank order.
//
// Owns: the camera and the order of the passes.
// May not: reset the arena between passes; each pass appends after the ones before it.
#pragma once

#include <GL/glew.h>

#include "shading/programs.h"

struct FramePass {
  const char* name;
  GLuint ProgramSlots::*program;
  void (*generate)();  // writes the object's geometry into the arena
  void (*draw)();      // submits it
};

extern const FramePass kFramePasses[];
extern const int kFramePassCount;

// The fixed camera: eye (300, 300, 200), looking at (0, 70, 0), +Y up.
void set_camera();

// Binds the pass's program, generates its geometry and draws it.
void run_pass(const FramePass& pass);

// The camera, then every pass in rank order, into the current back buffer.
void render_frame();
