// Keeping the once-drawn frame in the window across swaps, and reading back what was drawn.
//
// Owns: the kept copy of the frame, the choice of when to put it back, the buffer swap.
// May not: draw the picture itself; the frame's passes do that, once.
#pragma once

#include <GL/glew.h>

// Reads ROWS rows from row Y0 (counted from the bottom) of the framebuffer the frame is drawn
// into, whichever it is: the window's back buffer, or a framebuffer object that the windowing
// library draws through. FORMAT is GL_RGB or GL_BGRA with 8-bit channels, packed without padding.
// Leaves the read state as it found it and raises no GL error.
void read_drawn_rows(int y0, int rows, GLenum format, void* out);

// Framebuffer objects with their own read and draw bindings: OpenGL 3.0 or
// GL_ARB_framebuffer_object.
bool has_framebuffer_objects();

// Copies the freshly drawn frame aside, to be put back when a swap loses it.
void keep_frame();

// The window system reports that the window was uncovered or otherwise needs its picture again.
void note_expose();

// Puts the kept frame back into the back buffer if it may have been lost, then swaps; once swaps
// are known to lose the frame, swaps only after an expose.
void present_frame();
