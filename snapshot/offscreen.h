// Drawing the picture off screen, at a size of its own and with several samples per pixel, and
// reading it back. The frame goes into a framebuffer object of W x H, multisampled when more than
// one sample is asked for; a multisampled picture is resolved into a single-sample one by a blit
// before it is read.
//
// Owns: the framebuffer objects, their renderbuffers and the viewport that matches them.
// May not: draw the frame, touch the projection or the window's own framebuffer.
#pragma once

#include <string>

#include "image/rgb_image.h"

struct RenderSize {
  int width;
  int height;
  int samples;  // per pixel; 1 draws without multisampling
};

// Limits of our own, before any driver is asked: a side, and the whole picture. The pixel cap
// keeps a 4-sample picture, its resolved copy and the PNG's rows within about 3 GB.
constexpr int kMaxRenderSide = 16384;
constexpr long long kMaxRenderPixels = 8192LL * 8192;

// Fits `size` against the current GL context: its renderbuffer size, viewport size and sample
// limits, and the exact sample count it gives for the picture's formats. False, with a message
// naming the driver's limit in `error`, when the driver cannot render it; that is a usage error.
bool check_driver_limits(const RenderSize& size, std::string* error);

// Creates the framebuffers for `size`, binds them for drawing and sets the viewport to the whole
// picture. False, with the reason in `error`, when they cannot be had (no framebuffer objects,
// out of memory, an incomplete framebuffer).
bool open_offscreen_target(const RenderSize& size, std::string* error);

// Resolves the drawn picture if it is multisampled and reads it back as 8-bit RGB, first row at
// the top. Waits for the GL to finish. False, with the reason in `error`, on a GL error.
bool read_offscreen_target(RgbImage* image, std::string* error);
