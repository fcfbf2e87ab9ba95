// Compiling, linking and logging the five material programs, and building the doily's two capture
// programs, which are not logged.
//
// Owns: compile_stage, build_program, the program table and the deletion of every program and
// shader in it. May not: detach a shader from a program that is still used.
#pragma once

#include "shading/gl.h"

// One program object name per material.
struct MaterialPrograms {
  GLuint doily, cage, glass, swan, table;
};

// Every program of the run, by what it is for, filled by build_all_programs.
struct ProgramTable {
  // The five material programs, built and logged in this order. Where the GL has transform
  // feedback (from 3.0 on) the doily program is linked to capture each vertex's colour, normal and
  // position as one GL_C4F_N3F_V3F record.
  MaterialPrograms logged;
  // What the frame draws each object with. For cage, glass, swan and table, the material's plain
  // program: its own fragment stage behind kPlainVertexBody, which is what the material program's
  // vertex stage does with every vertex whose normal is not zero, all of theirs, without the doily
  // grid's branch; the material program itself where the plain one does not build. For the doily,
  // its plain program where it is drawn from captured records, the doily program where it is drawn
  // from its grid, whose vertices need the branch. None of these is logged.
  MaterialPrograms drawn;
  // The doily is drawn from captured records: the two capture programs below and the doily's plain
  // program were built. Vertex stages only, not logged, 0 where the GL cannot capture:
  // doily_surface evaluates the doily's surface once per point of the padded grid and captures
  // kDoilySurfaceVaryings; doily_lighting reads those records (kDoilyLightingInputs) and captures
  // kDoilyCapturedVaryings.
  bool doily_captures;
  GLuint doily_surface, doily_lighting;
};
extern ProgramTable g_programs;

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

// A second program from the very shader objects of `program`, with its attribute locations, linked
// to capture `captured` (`count` names, interleaved), or, where `captured` is null, the outputs
// `program` captures, in the same order. Not logged; 0 where it does not link. Another context uses
// such a copy to draw what `program` draws, and the tests to capture what its stages compute.
GLuint link_program_copy(GLuint program, const GLchar* const* captured = nullptr,
                         GLsizei count = 0);

// Builds doily, cage, glass, swan and table, in that order: fifteen log lines, then the programs
// the frame draws with and the doily's capture programs. The doily program captures its vertices
// where the GL has transform feedback.
void build_all_programs();

// Deletes every program of the table and every shader object they were linked from, and clears
// the table: the picture that was drawn with them needs none of them any more.
void delete_all_programs();
