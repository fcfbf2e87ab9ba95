// Program building: every stage's text comes from shading/stage_texts, in the GL's language.
#include "shading/programs.h"

#include <cstdio>
#include <cstdlib>

#include "shading/shader_texts.h"
#include "shading/stage_texts.h"

ProgramTable g_programs;

const GLchar* const kDoilyCapturedVaryings[3] = {"k", "n", "a"};
const GLchar* const kDoilySurfaceVaryings[2] = {"k", "a"};
const GLchar* const kDoilyLightingInputs[6] = {"r", "g", "h", "i", "j", "e"};

namespace {

constexpr int kInfoLogSize = 4096;

// One stage of prelude + snippet + joiner + body, compiled; whether it compiled in `ok`.
GLuint compile_texts(GLenum type, const char* snippet, const char* body, bool* ok) {
  const GLuint s = glCreateShader(type);
  set_stage_texts(s, type, snippet, body);
  glCompileShader(s);
  GLint status = 0;
  glGetShaderiv(s, GL_COMPILE_STATUS, &status);
  *ok = status == GL_TRUE;
  return s;
}

[[noreturn]] void fail_with_log(const char* log) {
  std::puts(log);
  std::fflush(stdout);
  std::exit(1);
}

// A capture program: the vertex stage `s`, its text given, linked to capture `captured`
// interleaved, its inputs bound to locations 0, 1, ... in order (the stand-in inputs where there
// are none). Nothing is logged; 0 when it does not build.
GLuint build_capture_program(GLuint s, const GLchar* const* captured, GLsizei captured_count,
                             const GLchar* const* inputs, GLuint input_count) {
  glCompileShader(s);
  GLint ok = 0;
  glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) return 0;
  const GLuint p = glCreateProgram();
  glAttachShader(p, s);
  const GLuint fragment = new_capture_fragment_stage();
  if (fragment != 0) glAttachShader(p, fragment);
  if (input_count == 0) bind_stand_in_inputs(p);
  for (GLuint i = 0; i < input_count; ++i) glBindAttribLocation(p, i, inputs[i]);
  glTransformFeedbackVaryings(p, captured_count, captured, GL_INTERLEAVED_ATTRIBS);
  glLinkProgram(p);
  glGetProgramiv(p, GL_LINK_STATUS, &ok);
  return ok == GL_TRUE ? p : 0;
}

// The doily's two capture programs and its plain program, where the doily program captures.
// Any of them failing leaves the doily drawn from its grid, with the doily program.
void build_doily_capture_programs() {
  ProgramTable& t = g_programs;
  t.drawn.doily = t.logged.doily;
  t.doily_surface = t.doily_lighting = 0;
  if (!t.doily_captures) return;
  const GLuint surface = glCreateShader(GL_VERTEX_SHADER);
  set_stage_texts(surface, GL_VERTEX_SHADER, kDoilySnippet, kDoilySurfaceBody);
  t.doily_surface = build_capture_program(surface, kDoilySurfaceVaryings, 2, nullptr, 0);
  const GLuint lighting = glCreateShader(GL_VERTEX_SHADER);
  set_lighting_stage_text(lighting);
  t.doily_lighting =
      build_capture_program(lighting, kDoilyCapturedVaryings, 3, kDoilyLightingInputs, 6);
  const GLuint lit = build_plain_program(t.logged.doily, kDoilySnippet);
  t.doily_captures = t.doily_surface != 0 && t.doily_lighting != 0 && lit != t.logged.doily;
  if (t.doily_captures) t.drawn.doily = lit;
}

}  // namespace

GLuint compile_stage(GLenum type, const char* snippet, const char* body) {
  bool ok = false;
  const GLuint s = compile_texts(type, snippet, body, &ok);
  if (!ok) {
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
  bind_stand_in_inputs(p);
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

GLuint build_plain_program(GLuint material, const char* snippet) {
  GLuint shaders[2] = {};
  GLsizei attached = 0;
  glGetAttachedShaders(material, 2, &attached, shaders);
  GLuint fragment = 0;
  for (GLsizei i = 0; i < attached; ++i) {
    GLint type = 0;
    glGetShaderiv(shaders[i], GL_SHADER_TYPE, &type);
    if (type == GL_FRAGMENT_SHADER) fragment = shaders[i];
  }
  bool compiled = false;
  const GLuint vertex = compile_texts(GL_VERTEX_SHADER, snippet, kPlainVertexBody, &compiled);
  if (!compiled || fragment == 0) return material;
  const GLuint p = glCreateProgram();
  glAttachShader(p, vertex);
  glAttachShader(p, fragment);
  bind_stand_in_inputs(p);
  glLinkProgram(p);
  GLint linked = 0;
  glGetProgramiv(p, GL_LINK_STATUS, &linked);
  return linked == GL_TRUE ? p : material;
}

GLuint link_program_copy(GLuint program, const GLchar* const* captured, GLsizei count) {
  constexpr GLint kMostCaptured = 8;
  constexpr GLsizei kNameSize = 64;
  GLuint shaders[2] = {};
  GLsizei attached = 0;
  glGetAttachedShaders(program, 2, &attached, shaders);
  char names[kMostCaptured][kNameSize] = {};
  const GLchar* own[kMostCaptured] = {};
  if (captured == nullptr) {
    GLint outputs = 0;
    glGetProgramiv(program, GL_TRANSFORM_FEEDBACK_VARYINGS, &outputs);
    if (outputs > kMostCaptured) return 0;
    for (GLint i = 0; i < outputs; ++i) {
      GLsizei size = 0;
      GLenum type = 0;
      glGetTransformFeedbackVarying(program, static_cast<GLuint>(i), kNameSize, nullptr, &size,
                                    &type, names[i]);
      own[i] = names[i];
    }
    captured = own;
    count = outputs;
  }
  const GLuint copy = glCreateProgram();
  for (GLsizei i = 0; i < attached; ++i) glAttachShader(copy, shaders[i]);
  if (count > 0) glTransformFeedbackVaryings(copy, count, captured, GL_INTERLEAVED_ATTRIBS);
  GLint inputs = 0;
  glGetProgramiv(program, GL_ACTIVE_ATTRIBUTES, &inputs);
  for (GLint i = 0; i < inputs; ++i) {
    char name[kNameSize] = {};
    GLint size = 0;
    GLenum type = 0;
    glGetActiveAttrib(program, static_cast<GLuint>(i), kNameSize, nullptr, &size, &type, name);
    const GLint location = glGetAttribLocation(program, name);
    if (location >= 0) glBindAttribLocation(copy, static_cast<GLuint>(location), name);
  }
  glLinkProgram(copy);
  GLint linked = 0;
  glGetProgramiv(copy, GL_LINK_STATUS, &linked);
  if (linked == GL_TRUE) return copy;
  glDeleteProgram(copy);
  return 0;
}

void build_all_programs() {
  ProgramTable& t = g_programs;
  t.doily_captures = gl_offers().capture;
  t.logged.doily =
      build_program(kDoilySnippet, t.doily_captures ? kDoilyCapturedVaryings : nullptr);
  t.logged.cage = build_program(kCageSnippet);
  t.logged.glass = build_program(kGlassSnippet);
  t.logged.swan = build_program(kSwanSnippet);
  t.logged.table = build_program(kTableSnippet);
  build_doily_capture_programs();
  t.drawn.cage = build_plain_program(t.logged.cage, kCageSnippet);
  t.drawn.glass = build_plain_program(t.logged.glass, kGlassSnippet);
  t.drawn.swan = build_plain_program(t.logged.swan, kSwanSnippet);
  t.drawn.table = build_plain_program(t.logged.table, kTableSnippet);
}

void delete_all_programs() {
  const ProgramTable& t = g_programs;
  const GLuint programs[] = {t.logged.doily, t.logged.cage, t.logged.glass,  t.logged.swan,
                             t.logged.table, t.drawn.doily, t.drawn.cage,    t.drawn.glass,
                             t.drawn.swan,   t.drawn.table, t.doily_surface, t.doily_lighting};
  constexpr int kMostShaders = 2 * sizeof programs / sizeof programs[0];
  GLuint shaders[kMostShaders];
  int shader_count = 0;
  // A fragment shader serves its material program and its plain program, and a program may fill
  // two slots: each name is deleted once, shaders after the programs that held them.
  for (GLuint p : programs) {
    if (p == 0 || glIsProgram(p) != GL_TRUE) continue;
    GLuint attached[2] = {};
    GLsizei count = 0;
    glGetAttachedShaders(p, 2, &count, attached);
    for (GLsizei i = 0; i < count; ++i) {
      bool seen = false;
      for (int j = 0; j < shader_count; ++j) seen = seen || shaders[j] == attached[i];
      if (!seen) shaders[shader_count++] = attached[i];
    }
    glDeleteProgram(p);
  }
  glUseProgram(0);
  for (int i = 0; i < shader_count; ++i) glDeleteShader(shaders[i]);
  g_programs = {};
}
