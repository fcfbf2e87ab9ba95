// The oldest GL the picture can be drawn with: OpenGL 2.0 for the shader entry points, GLSL 1.20
// for the shader texts' version line.
//
// Owns: loading the entry points, the version check and their messages, and reading extension
// lists. May not: change any GL state.
#pragma once

// Loads the GL entry points for the current context, GLX or EGL. Prints one line on standard
// error and returns false when they cannot be had.
bool load_gl_entry_points();

// True when the current context offers OpenGL 2.0 and GLSL 1.20. Otherwise prints one line on
// standard error naming what is needed and what the driver offers, and returns false.
bool has_gl_floor();

// Whether the space-separated extension list (GL, GLX or EGL; null for none) names `name` whole,
// not as the prefix of a longer name.
bool lists_extension(const char* list, const char* name);
