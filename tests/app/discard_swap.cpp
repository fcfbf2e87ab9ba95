// An LD_PRELOAD library that makes the GL stack under it behave like a driver that discards the
// back buffer on every swap, as GLX allows and flip-model drivers do: after SDL's real swap it
// clears the buffer the program draws into to magenta, and it answers GLX_EXT_buffer_age queries
// with 0
// ("contents undefined").
//
// DISCARD_SWAP_ADVERTISE_AGE=1 also lists GLX_EXT_buffer_age among the GLX extensions, so the
// program can learn of the loss by asking; without it, the program has to find the loss itself.
// DISCARD_SWAP_NO_RESTORE=1 turns glDrawPixels, through which swancage puts its kept frame back,
// into a no-op: the negative control, showing that an unrestored window does turn magenta.
//
// Owns: nothing of the program. May not: change anything but the colour buffer after a swap.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <GL/gl.h>
#include <GL/glx.h>

#include "tests/lib/preload.h"

#ifndef GLX_BACK_BUFFER_AGE_EXT
#define GLX_BACK_BUFFER_AGE_EXT 0x20F4
#endif

namespace {

bool env_set(const char* name) {
  const char* value = std::getenv(name);
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace

extern "C" {

void SDL_GL_SwapBuffers() {
  real_function<void (*)()>("discard_swap", "SDL_GL_SwapBuffers")();
  GLfloat saved[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, saved);
  glClearColor(1, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(saved[0], saved[1], saved[2], saved[3]);
}

void glXQueryDrawable(Display* dpy, GLXDrawable draw, int attribute, unsigned int* value) {
  if (attribute == GLX_BACK_BUFFER_AGE_EXT) {
    *value = 0;
    return;
  }
  using Query = void (*)(Display*, GLXDrawable, int, unsigned int*);
  real_function<Query>("discard_swap", "glXQueryDrawable")(dpy, draw, attribute, value);
}

const char* glXQueryExtensionsString(Display* dpy, int screen) {
  using Query = const char* (*)(Display*, int);
  const char* own = real_function<Query>("discard_swap", "glXQueryExtensionsString")(dpy, screen);
  if (!env_set("DISCARD_SWAP_ADVERTISE_AGE") || std::strstr(own, "GLX_EXT_buffer_age")) return own;
  static char extended[8192];
  std::snprintf(extended, sizeof extended, "%s GLX_EXT_buffer_age ", own);
  return extended;
}

void glDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const void* pixels) {
  if (env_set("DISCARD_SWAP_NO_RESTORE")) return;
  using Draw = void (*)(GLsizei, GLsizei, GLenum, GLenum, const void*);
  real_function<Draw>("discard_swap", "glDrawPixels")(width, height, format, type, pixels);
}

}  // extern "C"
