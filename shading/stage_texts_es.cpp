// GLSL ES 3.00 for WebGL 2: the same texts rewritten by shading/es_texts. A rewrite that no longer
// finds its piece is a fault of this build's texts, not of the user's GL: it stops the program
// with the piece named.
#include "shading/stage_texts.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "shading/es_texts.h"

namespace {

void set_text(GLuint shader, const std::string& text, const std::string& missing) {
  if (text.empty()) {
    std::fprintf(stderr,
                 "the GLSL ES texts cannot be made: \"%s\" is no longer in the text it rewrites; "
                 "update the rewrite in shading/es_texts.cpp\n",
                 missing.c_str());
    std::abort();
  }
  const GLchar* const texts[1] = {text.c_str()};
  glShaderSource(shader, 1, texts, nullptr);
}

}  // namespace

void set_stage_texts(GLuint shader, GLenum type, const char* snippet, const char* body) {
  std::string missing;
  const EsStage stage = type == GL_VERTEX_SHADER ? EsStage::kVertex : EsStage::kFragment;
  set_text(shader, es_stage_text(stage, snippet, body, &missing), missing);
}

void set_lighting_stage_text(GLuint shader) {
  std::string missing;
  set_text(shader, es_lighting_stage_text(&missing), missing);
}

void bind_stand_in_inputs(GLuint program) {
  glBindAttribLocation(program, kEsVertexLocation, kEsVertex);
  glBindAttribLocation(program, kEsNormalLocation, kEsNormal);
  glBindAttribLocation(program, kEsColorLocation, kEsColor);
}

GLuint new_capture_fragment_stage() {
  const GLuint shader = glCreateShader(GL_FRAGMENT_SHADER);
  const GLchar* const texts[1] = {kEsCaptureFragmentText};
  glShaderSource(shader, 1, texts, nullptr);
  glCompileShader(shader);
  return shader;
}
