// Which framebuffer holds the frame, and reading it back. GL reads rows bottom-up; every picture
// this program hands on is stored top-down, so each read-back ends with one row flip.
#include "app/framebuffer.h"

#include <algorithm>

bool has_separate_read_and_draw_framebuffers() {
  return GLEW_VERSION_3_0 || GLEW_ARB_framebuffer_object;
}

GLuint drawn_framebuffer() {
  if (!GLEW_VERSION_3_0 && !GLEW_ARB_framebuffer_object && !GLEW_EXT_framebuffer_object) return 0;
  GLint name = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &name);  // same enum as EXT's single binding
  return static_cast<GLuint>(name);
}

void read_drawn_rows(int y0, int rows, GLenum format, void* out) {
  GLint read_framebuffer = 0, read_buffer = 0, draw_buffer = 0, pack_alignment = 0;
  const GLuint drawn = drawn_framebuffer();
  const bool rebind = has_separate_read_and_draw_framebuffers();
  if (rebind) {
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_framebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, drawn);
  }
  glGetIntegerv(GL_READ_BUFFER, &read_buffer);
  glGetIntegerv(GL_DRAW_BUFFER, &draw_buffer);  // GL_BACK, or the object's colour attachment
  glGetIntegerv(GL_PACK_ALIGNMENT, &pack_alignment);
  glReadBuffer(static_cast<GLenum>(draw_buffer));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, y0, kWindowWidth, rows, format, GL_UNSIGNED_BYTE, out);
  glPixelStorei(GL_PACK_ALIGNMENT, pack_alignment);
  glReadBuffer(static_cast<GLenum>(read_buffer));
  if (rebind) glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read_framebuffer));
}

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
