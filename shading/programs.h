// Compiling, linking and logging the five material programs.
//
// Owns: the four-entry source list, compile_stage, build_program and the program slots.
// May not: delete or detach shaders or programs; they live until the process ends.
#pragma once

#include <GL/glew.h>

// One program object name per material, filled by build_all_programs in this order.
struct ProgramSlots {
  GLuint doily, cage, glass, swan, table;
};
extern ProgramSlots g_programs;

// Compiles prelude + snippet + joiner + body as one stage and logs
// "GLSL shader with <snippet> and <body>: <name>". On a compile error prints the driver's info
// log and exits with status 1.
GLuint compile_stage(GLenum type, const char* snippet, const char* body);

// Builds the vertex and fragment stage of one material, links them and logs
// "GLSL program with <snippet> compiles to: <name>". On a link error prints the info log and exits
// with status 1.
GLuint build_program(const char* snippet);

// Builds doily, cage, glass, swan and table, in that order: fifteen log lines.
void build_all_programs();
