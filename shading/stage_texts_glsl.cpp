// GLSL 1.20: every stage is handed to the driver as the same four-entry list; only the snippet and
// body entries change between compiles.
#include "shading/stage_texts.h"

#include "shading/shader_texts.h"

void set_stage_texts(GLuint shader, GLenum, const char* snippet, const char* body) {
  const GLchar* const texts[4] = {kPrelude, snippet, kJoiner, body};
  glShaderSource(shader, 4, texts, nullptr);
}

void set_lighting_stage_text(GLuint shader) {
  const GLchar* const texts[1] = {kDoilyLightingStage};
  glShaderSource(shader, 1, texts, nullptr);
}

void bind_stand_in_inputs(GLuint) {}

GLuint new_capture_fragment_stage() {
  return 0;
}
