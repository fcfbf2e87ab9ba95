// The GL as the program sees it: its entry points, and which of the features the frame can do
// without the current context offers. Desktop GL comes through GLEW, whose flags the GL's version
// and extensions set; WebGL 2 (the Emscripten build) through the OpenGL ES 3.0 header, where each
// of them is fixed by the API.
//
// Owns: the choice of GL header and GlOffers. May not: change GL state.
#pragma once

#if defined(__EMSCRIPTEN__)
#include <GLES3/gl3.h>
#else
#include <GL/glew.h>
#endif

struct GlOffers {
  bool capture;           // transform feedback: OpenGL 3.0, WebGL 2
  bool fences;            // sync objects a thread may wait on: OpenGL 3.2 or ARB_sync
  bool feedback_objects;  // transform feedback objects: OpenGL 4.0 or ARB_transform_feedback2
  bool compiler_release;  // glReleaseShaderCompiler: OpenGL 4.1 or ARB_ES2_compatibility
};

#if defined(__EMSCRIPTEN__)
// WebGL 2 has transform feedback and its objects; it has fences too, but nothing in a page may
// wait on one, so the frame runs as it does without them. Releasing the compiler is a no-op there.
inline GlOffers gl_offers() {
  return {.capture = true, .fences = false, .feedback_objects = true, .compiler_release = false};
}
#else
inline GlOffers gl_offers() {
  return {.capture = GLEW_VERSION_3_0 != 0,
          .fences = GLEW_ARB_sync != 0,
          .feedback_objects = GLEW_ARB_transform_feedback2 != 0,
          .compiler_release = GLEW_VERSION_4_1 || GLEW_ARB_ES2_compatibility};
}
#endif
