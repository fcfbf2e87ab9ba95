// Reading the finished frame back from the framebuffer it was drawn into (the back buffer, or the
// windowing library's framebuffer object), before any swap.
//
// Owns: the read-back and the bottom-up to top-down row order. May not: draw or swap.
#pragma once

#include "tools/png_io.h"

// The whole 1280x720 drawn framebuffer as 8-bit RGB, first row at the top. Waits for the GL to
// finish.
RgbImage read_back_buffer();

// Reverses the order of the image's rows in place: glReadPixels returns rows bottom-up, images
// are stored top-down.
void turn_rows_top_down(RgbImage* image);
