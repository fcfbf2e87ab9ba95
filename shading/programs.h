// Compiling, linking and logging the five material programs, and building the doily's two capture
// programs, which are not logged.
//
// Owns: compile_stage, build_program and the program slots.
// May not: delete or detach shaders or programs; they live until the process ends.
#pragma once

#include <GL/glew.h>

// One program object name per material, filled by build_all_programs in this order.
struct ProgramSlots {
  GLuint doily, cage, glass, swan, table;
  // The doily program was linked to capture each vertex's colour, normal and position with
  // transform feedback (where the GL has it, from 3.0 on), as one GL_C4F_N3F_V3F record per vertex,
  // and the two capture programs below were built: the doily is drawn from captured records.
  bool doily_captures;
  // Vertex stages only, not logged, 0 where the GL cannot capture. doily_surface evaluates the
  // doily's surface once per point of the padded grid and captures kDoilySurfaceVaryings;
  // doily_lighting reads those records (kDoilyLightingInputs) and captures kDoilyCapturedVaryings.
  GLuint doily_surface, doily_lighting;
  // Draws the captured records: the doily's plain program (see g_plain_programs). Not logged; 0
  // where the GL cannot capture.
  GLuint doily_lit;
};
extern ProgramSlots g_programs;

// The programs the frame draws with, in the five material slots only: for cage, glass, swan and
// table, the material's plain program, its own fragment stage behind kPlainVertexBody, which is
// what the material program's vertex stage does with every vertex whose normal is not zero, all
// of theirs, without the doily grid's branch. Not logged. The doily slot holds the doily program
// itself, whose grid vertices need the branch; its lit vertices are drawn with doily_lit.
extern ProgramSlots g_plain_programs;

// The plain program of `material`, built from `snippet` (the one it was built from), linked with
// its very fragment shader object; `material` itself where the plain program does not build.
GLuint build_plain_program(GLuint material, const char* snippet);

// The doily program's outputs that transform feedback captures, in GL_C4F_N3F_V3F order: the
// colour relay k, the normal n and the position a.
extern const GLchar* const kDoilyCapturedVaryings[3];

// The surface pass's record, interleaved: the colour its f leaves (k, four floats), then the point
// (a, three floats).
extern const GLchar* const kDoilySurfaceVaryings[2];
constexpr int kDoilySurfaceRecordFloats = 7;
constexpr int kDoilySurfaceColourOffset = 0;  // floats into the record
constexpr int kDoilySurfacePointOffset = 4;

// The lighting pass's inputs, bound to attribute locations 0 .. 5 in this order: the grid point,
// its neighbours (row + 1), (column + 1), (row - 1), (column - 1), and that last one's colour.
// Location 0 is the point, which a compatibility GL needs enabled to draw.
extern const GLchar* const kDoilyLightingInputs[6];

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
