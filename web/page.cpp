// swancage's page: the picture drawn once into the page's 1280x720 canvas with WebGL 2 and kept
// there, with the same fifteen log lines on the browser's console. Nothing runs once it is drawn:
// the browser shows the kept drawing buffer from then on.
//
// Owns: the canvas's WebGL 2 context and the page's one frame. May not: loop, or wait on the GL
// in any way a page must not (fences with a timeout); the frame runs every line inline.
#include <cstdio>

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include "app/frame.h"
#include "shading/programs.h"

namespace {

constexpr char kCanvas[] = "#canvas";
// The window program's status for a GL it cannot draw with.
constexpr int kNoWebgl2Status = 255;

// What the browser offers where WebGL 2 is missing, asked of a canvas of its own.
const char* offered_webgl() {
  const int webgl1 = EM_ASM_INT({
    const canvas = document.createElement('canvas');
    return canvas.getContext('webgl') || canvas.getContext('experimental-webgl') ? 1 : 0;
  });
  return webgl1 != 0 ? "WebGL 1 only" : "no WebGL at all";
}

// The canvas's WebGL 2 context: no alpha channel (the page would show through the glass's
// blended pixels), a depth buffer, no multisampling, as the window has, and the drawing buffer
// kept once shown, so that the picture stays without being drawn again.
bool open_canvas_context() {
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = false;
  attributes.depth = true;
  attributes.stencil = false;
  attributes.antialias = false;
  attributes.preserveDrawingBuffer = true;
  attributes.majorVersion = 2;
  attributes.minorVersion = 0;
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
      emscripten_webgl_create_context(kCanvas, &attributes);
  if (context <= 0) {
    std::fprintf(stderr,
                 "swancage: needs WebGL 2 (OpenGL ES 3.0 with GLSL ES 3.00); this browser offers "
                 "%s. Turn on WebGL or hardware acceleration in the browser's settings, or open "
                 "the page in a browser with WebGL 2\n",
                 offered_webgl());
    return false;
  }
  return emscripten_webgl_make_context_current(context) == EMSCRIPTEN_RESULT_SUCCESS;
}

}  // namespace

int main() {
  if (!open_canvas_context()) return kNoWebgl2Status;  // WebGL 2, or one line on what is offered
  set_default_gl_state();  // camera, culling, depth, blending, arena arrays
  build_all_programs();    // five programs, fifteen log lines
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  render_frame();  // every pass, each piece made here and drawn
  glFinish();      // the picture is done when main returns: the page's signal
  let_go_of_drawing();
  return 0;
}
