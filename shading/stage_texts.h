// The texts the GL compiles, in its shading language: GLSL 1.20 on desktop GL, where the prelude,
// snippet, joiner and body go to the driver as they stand; GLSL ES 3.00 on WebGL 2, where
// shading/es_texts rewrites them and the programs bind the inputs that stand for the built-ins.
// One file per language implements this (stage_texts_glsl.cpp, stage_texts_es.cpp); the build
// picks one.
//
// Owns: handing a shader its text and a program the bindings its language needs before the
// link. May not: compile, link or log; shading/programs.cpp does.
#pragma once

#include "shading/gl.h"

// Gives `shader`, of `type`, the text prelude + snippet + joiner + body.
void set_stage_texts(GLuint shader, GLenum type, const char* snippet, const char* body);

// Gives `shader` (a vertex shader) the doily's lighting pass, kDoilyLightingStage.
void set_lighting_stage_text(GLuint shader);

// Before `program` is linked: binds the inputs that stand for the GL's built-in ones where the
// language has none; nothing where it has them.
void bind_stand_in_inputs(GLuint program);

// A compiled fragment stage for a program that only captures, where the language links no program
// without one; 0 where it does.
GLuint new_capture_fragment_stage();
