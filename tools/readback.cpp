#include "tools/readback.h"

#include <algorithm>

#include <GL/glew.h>

#include "app/present.h"
#include "app/shell.h"

RgbImage read_back_buffer() {
  RgbImage image;
  image.width = kWindowWidth;
  image.height = kWindowHeight;
  image.pixels.resize(static_cast<size_t>(kWindowWidth) * kWindowHeight * 3);
  glFinish();
  read_drawn_rows(0, kWindowHeight, GL_RGB, image.pixels.data());
  turn_rows_top_down(&image);
  return image;
}

void turn_rows_top_down(RgbImage* image) {
  const size_t stride = static_cast<size_t>(image->width) * 3;
  for (int top = 0, bottom = image->height - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(image->pixels.begin() + top * stride,
                     image->pixels.begin() + (top + 1) * stride,
                     image->pixels.begin() + bottom * stride);
}
