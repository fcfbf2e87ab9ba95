// The framebuffer the frame is drawn into, and reading drawn pixels back from it, for both
// programs: the window's back buffer (or the framebuffer object a windowing library draws
// through), and the snapshot's own off-screen framebuffers.
//
// Owns: the window's size, the framebuffer-object capability check, the read-back and the
// bottom-up to top-down row order. May not: draw, swap, or leave read state changed.
#pragma once

#include <GL/glew.h>

#include "image/rgb_image.h"

constexpr int kWindowWidth = 1280;
constexpr int kWindowHeight = 720;

// Framebuffer objects with their own read and draw bindings (GL_READ_FRAMEBUFFER and
// GL_DRAW_FRAMEBUFFER), multisampled renderbuffers and blits: OpenGL 3.0 or
// GL_ARB_framebuffer_object. GL_EXT_framebuffer_object alone binds one framebuffer for both.
bool has_separate_read_and_draw_framebuffers();

// The framebuffer object bound for drawing, or 0 for the window's own buffers (also where the GL
// has no framebuffer objects at all).
GLuint drawn_framebuffer();

// Reads ROWS rows from row Y0 (counted from the bottom) of the framebuffer the frame is drawn
// into, whichever it is: the window's back buffer, or a framebuffer object that the windowing
// library draws through. FORMAT is GL_RGB or GL_BGRA with 8-bit channels, packed without padding.
// Leaves the read state as it found it and raises no GL error.
void read_drawn_rows(int y0, int rows, GLenum format, void* out);

// The whole 1280x720 drawn framebuffer as 8-bit RGB, first row at the top. Waits for the GL to
// finish.
RgbImage read_back_buffer();

// Reverses the order of the image's rows in place: glReadPixels returns rows bottom-up, images
// are stored top-down.
void turn_rows_top_down(RgbImage* image);
