// Off-screen pictures: a framebuffer object of the asked size, resolved and read back.
#include "snapshot/offscreen.h"

#include <algorithm>
#include <cstdio>

#include <GL/glew.h>

#include "app/framebuffer.h"

namespace {

constexpr GLenum kColourFormat = GL_RGBA8;  // the window's 8 bits per channel
constexpr int kColourBytes = 4;
constexpr int kRgbBytes = 3;
constexpr int kMaxQueuedErrors = 16;  // glGetError hands out one recorded error per call

struct OffscreenTarget {
  RenderSize size = {0, 0, 0};
  GLenum depth_format = GL_DEPTH_COMPONENT24;
  int depth_bytes = 4;
  GLuint draw_framebuffer = 0;     // what the frame is drawn into
  GLuint resolve_framebuffer = 0;  // single-sample copy of a multisampled picture
};

OffscreenTarget g_target;

std::string printed(const char* format, long long a, long long b = 0, long long c = 0,
                    long long d = 0) {
  char text[512];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

// The depth buffer keeps the window's precision, so a picture of the window's size comes out as
// close to the window's own as the depth test allows.
void choose_depth_format() {
  GLint bits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &bits);
  if (bits == 0) bits = 24;  // no window at all (drawing without a display): the usual window's
  if (bits > 24) {
    g_target.depth_format = GL_DEPTH_COMPONENT32;
    g_target.depth_bytes = 4;
  } else if (bits > 16) {
    g_target.depth_format = GL_DEPTH_COMPONENT24;
    g_target.depth_bytes = 4;
  } else {
    g_target.depth_format = GL_DEPTH_COMPONENT16;
    g_target.depth_bytes = 2;
  }
}

// Forgets errors recorded before, so that a later check blames only what came after.
void clear_gl_errors() {
  for (int i = 0; i < kMaxQueuedErrors && glGetError() != GL_NO_ERROR; ++i) {
  }
}

long long megabytes_needed(const RenderSize& size, int depth_bytes) {
  const long long pixels = static_cast<long long>(size.width) * size.height;
  const long long per_pixel =
      size.samples * (kColourBytes + depth_bytes) + (size.samples > 1 ? kColourBytes : 0);
  return (pixels * per_pixel + (1 << 20) - 1) >> 20;
}

std::string gl_error_text(GLenum error, const char* when) {
  const RenderSize& s = g_target.size;
  if (error == GL_OUT_OF_MEMORY)
    return std::string("the GL driver ran out of memory ") + when +
           printed(
               " for a %lldx%lld picture with %lld sample(s) per pixel (about %lld MB); ask "
               "for a smaller --size or fewer --samples",
               s.width, s.height, s.samples, megabytes_needed(s, g_target.depth_bytes));
  return std::string("GL error ") + printed("0x%04llx", error) + " " + when;
}

// Storage for the bound renderbuffer: multisampled when more than one sample is asked for.
void allocate_renderbuffer(GLenum format, const RenderSize& size) {
  if (size.samples > 1)
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, size.samples, format, size.width,
                                     size.height);
  else
    glRenderbufferStorage(GL_RENDERBUFFER, format, size.width, size.height);
}

GLuint attach_renderbuffer(GLenum attachment, GLenum format, const RenderSize& size) {
  GLuint renderbuffer = 0;
  glGenRenderbuffers(1, &renderbuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  allocate_renderbuffer(format, size);
  glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, attachment, GL_RENDERBUFFER, renderbuffer);
  return renderbuffer;
}

// The number of samples the driver really gives for `format` when `samples` are asked for: it
// may round up to the next count it supports.
int samples_given(GLenum format, int samples) {
  GLuint renderbuffer = 0;
  glGenRenderbuffers(1, &renderbuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, 1, 1);
  GLint given = 0;
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &given);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  glDeleteRenderbuffers(1, &renderbuffer);
  return given;
}

// Whether both of the picture's formats get exactly `samples` per pixel.
bool gives_exactly(int samples) {
  clear_gl_errors();
  return samples_given(kColourFormat, samples) == samples &&
         samples_given(g_target.depth_format, samples) == samples;
}

// A renderbuffer that could not get its storage is left empty, without an error (drivers may
// report running out of memory this way), and its framebuffer is incomplete.
bool complete(const char* which, std::string* error) {
  const GLenum status = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER);
  if (status == GL_FRAMEBUFFER_COMPLETE) return true;
  const RenderSize& s = g_target.size;
  *error = std::string("the ") + which +
           printed(
               " framebuffer for a %lldx%lld picture with %lld sample(s) per pixel is "
               "incomplete (status 0x%04llx)",
               s.width, s.height, s.samples, status);
  if (status == GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT)
    *error += printed(
        ": its buffers could not be allocated, most often for want of memory (about "
        "%lld MB); ask for a smaller --size or fewer --samples",
        megabytes_needed(s, g_target.depth_bytes));
  else
    *error += ": this GL driver cannot draw such a picture off screen";
  return false;
}

}  // namespace

bool check_driver_limits(const RenderSize& size, std::string* error) {
  if (!has_separate_read_and_draw_framebuffers())
    return true;  // open_offscreen_target says why it cannot draw
  choose_depth_format();
  GLint renderbuffer_side = 0, viewport[2] = {0, 0}, max_samples = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer_side);
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  glGetIntegerv(GL_MAX_SAMPLES, &max_samples);
  const int max_width = std::min(renderbuffer_side, viewport[0]);
  const int max_height = std::min(renderbuffer_side, viewport[1]);
  if (size.width > max_width || size.height > max_height) {
    *error = printed(
        "--size %lldx%lld is beyond this GL driver's limit of %lldx%lld pixels "
        "(its largest renderbuffer and viewport); ask for a smaller size",
        size.width, size.height, max_width, max_height);
    return false;
  }
  if (size.samples > std::max(max_samples, 1)) {
    *error = printed("--samples %lld is beyond this GL driver's limit of %lld samples per pixel",
                     size.samples, std::max(max_samples, 1));
    return false;
  }
  if (size.samples > 1 && !gives_exactly(size.samples)) {
    std::string counts = "1";
    for (int n = 2; n <= max_samples; ++n)
      if (gives_exactly(n)) counts += ", " + std::to_string(n);
    *error = printed(
                 "--samples %lld: this GL driver does not give exactly that many samples per "
                 "pixel; it gives ",
                 size.samples) +
             counts;
    return false;
  }
  return true;
}

bool open_offscreen_target(const RenderSize& size, std::string* error) {
  if (!has_separate_read_and_draw_framebuffers()) {
    *error =
        "this GL driver offers no framebuffer objects (OpenGL 3.0 or GL_ARB_framebuffer_object), "
        "so it cannot draw off screen; leave out --size and --samples for the window's own "
        "1280x720 picture";
    return false;
  }
  g_target.size = size;
  clear_gl_errors();
  if (size.samples > 1) {
    glGenFramebuffers(1, &g_target.resolve_framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, g_target.resolve_framebuffer);
    const RenderSize single = {size.width, size.height, 1};
    attach_renderbuffer(GL_COLOR_ATTACHMENT0, kColourFormat, single);
    if (!complete("resolving", error)) return false;
  }
  glGenFramebuffers(1, &g_target.draw_framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, g_target.draw_framebuffer);
  attach_renderbuffer(GL_COLOR_ATTACHMENT0, kColourFormat, size);
  attach_renderbuffer(GL_DEPTH_ATTACHMENT, g_target.depth_format, size);
  const GLenum allocation = glGetError();
  if (allocation != GL_NO_ERROR) {
    *error = gl_error_text(allocation, "while allocating the framebuffers");
    return false;
  }
  if (!complete("drawing", error)) return false;
  glBindFramebuffer(GL_FRAMEBUFFER, g_target.draw_framebuffer);
  glViewport(0, 0, size.width, size.height);
  return true;
}

bool read_offscreen_target(RgbImage* image, std::string* error) {
  const RenderSize& s = g_target.size;
  GLuint source = g_target.draw_framebuffer;
  if (s.samples > 1) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, g_target.draw_framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, g_target.resolve_framebuffer);
    glBlitFramebuffer(0, 0, s.width, s.height, 0, 0, s.width, s.height, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    source = g_target.resolve_framebuffer;
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  image->width = s.width;
  image->height = s.height;
  const size_t stride = static_cast<size_t>(s.width) * kRgbBytes;
  image->pixels.resize(stride * s.height);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, s.width, s.height, GL_RGB, GL_UNSIGNED_BYTE, image->pixels.data());
  glFinish();
  // An error here may come from any draw since the framebuffers were made: the driver allocates
  // lazily, so running out of memory can show up only now.
  const GLenum status = glGetError();
  if (status != GL_NO_ERROR) {
    *error = gl_error_text(status, "while drawing or reading the picture");
    return false;
  }
  turn_rows_top_down(image);
  return true;
}
