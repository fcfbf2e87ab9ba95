#include "tools/readback.h"

#include <algorithm>
#include <vector>

#include <GL/glew.h>

#include "app/present.h"
#include "app/shell.h"

RgbImage read_back_buffer() {
  RgbImage image;
  image.width = kWindowWidth;
  image.height = kWindowHeight;
  image.pixels.resize(static_cast<size_t>(kWindowWidth) * kWindowHeight * 3);
  std::vector<uint8_t> rows(image.pixels.size());
  glFinish();
  read_drawn_rows(0, kWindowHeight, GL_RGB, rows.data());
  // glReadPixels returns rows bottom-up; images are stored top-down.
  const size_t stride = static_cast<size_t>(kWindowWidth) * 3;
  for (int y = 0; y < kWindowHeight; ++y)
    std::copy_n(rows.data() + (kWindowHeight - 1 - y) * stride, stride,
                image.pixels.data() + y * stride);
  return image;
}
