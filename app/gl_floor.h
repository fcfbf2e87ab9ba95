// The oldest GL the picture can be drawn with: OpenGL 2.0 for the shader entry points, GLSL 1.20
// for the shader texts' version line.
//
// Owns: the version check and its message. May not: change any GL state.
#pragma once

// True when the current context offers OpenGL 2.0 and GLSL 1.20. Otherwise prints one line on
// standard error naming what is needed and what the driver offers, and returns false.
bool has_gl_floor();
