// Compiling, linking and logging the five material programs.
//
// Owns: compile_stage, build_program and the program slots.
// May not: delete or detach shaders or programs; they live until the process ends.
#pragma once

#include <GL/glew.h>

// One program object name per material, filled by build_all_programs in this order.
struct ProgramSlots {
  GLuint doily, cage, glass, swan, table;
  // The doily program was linked to capture each vertex's colour, normal and position with
  // transform feedback (where the GL has it, from 3.0 on), as one GL_C4F_N3F_V3F record per vertex.
  bool doily_captures;
};
extern ProgramSlots g_programs;

// The doily program's outputs that transform feedback captures, in GL_C4F_N3F_V3F order: the
// colour relay k, the normal n and the position a.
extern const GLchar* const kDoilyCapturedVaryings[3];

// Compiles prelude + snippet + joiner + body as one stage and logs
// "GLSL shader with <snippet> and <body>: <name>". On a compile error prints the driver's info
// log and exits with status 1.
GLuint compile_stage(GLenum type, const char* snippet, const char* body);

// Builds the vertex and fragment stage of one material, links them and logs
// "GLSL program with <snippet> compiles to: <name>". With `captured` (three varying names), the
// program is linked to capture them interleaved with transform feedback. On a link error prints
// the info log and exits with status 1.
GLuint build_program(const char* snippet, const GLchar* const* captured = nullptr);

// Builds doily, cage, glass, swan and table, in that order: fifteen log lines. The doily program
// captures its vertices where the GL has transform feedback.
void build_all_programs();
