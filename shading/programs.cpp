// Program building. Every stage is handed to the driver as the same four-entry list; only the
// snippet and body entries change between compiles.
#include "shading/programs.h"

#include <cstdio>
#include <cstdlib>

#include "shading/shader_texts.h"

ProgramSlots g_programs;

const GLchar* const kDoilyCapturedVaryings[3] = {"k", "n", "a"};

namespace {

constexpr int kInfoLogSize = 4096;

[[noreturn]] void fail_with_log(const char* log) {
  std::puts(log);
  std::fflush(stdout);
  std::exit(1);
}

}  // namespace

GLuint compile_stage(GLenum type, const char* snippet, const char* body) {
  const GLuint s = glCreateShader(type);
  const GLchar* const source_list[4] = {kPrelude, snippet, kJoiner, body};
  glShaderSource(s, 4, source_list, nullptr);
  glCompileShader(s);
  GLint ok = 0;
  glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    char log[kInfoLogSize] = {};
    glGetShaderInfoLog(s, kInfoLogSize, nullptr, log);
    fail_with_log(log);
  }
  std::printf("GLSL shader with %p and %p: %u\n", static_cast<const void*>(snippet),
              static_cast<const void*>(body), s);
  return s;
}

GLuint build_program(const char* snippet, const GLchar* const* captured) {
  const GLuint vs = compile_stage(GL_VERTEX_SHADER, snippet, kVertexBody);
  const GLuint fs = compile_stage(GL_FRAGMENT_SHADER, snippet, kFragmentBody);
  const GLuint p = glCreateProgram();
  glAttachShader(p, vs);
  glAttachShader(p, fs);
  // Set before the one link, so the program that is logged is the program that captures.
  if (captured != nullptr) glTransformFeedbackVaryings(p, 3, captured, GL_INTERLEAVED_ATTRIBS);
  glLinkProgram(p);
  GLint ok = 0;
  glGetProgramiv(p, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    char log[kInfoLogSize] = {};
    glGetProgramInfoLog(p, kInfoLogSize, nullptr, log);
    fail_with_log(log);
  }
  std::printf("GLSL program with %p compiles to: %u\n", static_cast<const void*>(snippet), p);
  return p;
}

void build_all_programs() {
  g_programs.doily_captures = GLEW_VERSION_3_0;
  g_programs.doily =
      build_program(kDoilySnippet, g_programs.doily_captures ? kDoilyCapturedVaryings : nullptr);
  g_programs.cage = build_program(kCageSnippet);
  g_programs.glass = build_program(kGlassSnippet);
  g_programs.swan = build_program(kSwanSnippet);
  g_programs.table = build_program(kTableSnippet);
}
