// What the window program asks of the windowing system beside SDL: getting it ready before SDL
// starts, whether Escape is held down, and what the GL context it gave is. One file per windowing
// system implements this (windowing_x11.cpp: X11 and Wayland through GLX or EGL;
// windowing_windows.cpp: Windows through WGL); the build picks one.
//
// Owns: the windowing system's own calls outside SDL. May not: open windows, or change GL state.
#pragma once

#include "shading/gl.h"

// Before SDL starts: whatever the windowing system needs first, and the choice of SDL's video
// driver where there is one to make.
void prepare_windowing();

// Whether Escape is down on the keyboard now, asked of the windowing system itself: SDL 2 (under
// sdl12-compat) does not learn of keys pressed before its window had the keyboard.
bool escape_held_in_windowing();

// Whether the current GL context is an indirect one (GLX over the X protocol).
bool gl_context_is_indirect();

// Whether GLEW's failure `status` still left every GL entry point loaded: it loads the GL's own
// first and the windowing system's after, and the second step may fail for want of a display
// that a context made another way never needed.
bool gl_loader_failure_is_harmless(GLenum status);
