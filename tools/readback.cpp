#include "tools/readback.h"

#include <algorithm>
#include <vector>

#include <GL/glew.h>

#include "app/shell.h"

RgbImage read_back_buffer() {
  RgbImage image;
  image.width = kWindowWidth;
  image.height = kWindowHeight;
  image.pixels.resize(static_cast<size_t>(kWindowWidth) * kWindowHeight * 3);
  std::vector<uint8_t> rows(image.pixels.size());
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  // glReadPixels returns rows bottom-up; images are stored top-down.
  const size_t stride = static_cast<size_t>(kWindowWidth) * 3;
  for (int y = 0; y < kWindowHeight; ++y)
    std::copy_n(rows.data() + (kWindowHeight - 1 - y) * stride, stride,
                image.pixels.data() + y * stride);
  return image;
}
