// An LD_PRELOAD library that takes the doily's capture helper away in one of the ways a driver
// can, so that a test can see the program fall back to capturing on the window's context alone.
// HELPER_FAULT picks the way:
//   pbuffer  glXCreatePbuffer gives no pbuffer;
//   context  glXCreateNewContext gives no context;
//   current  the helper's context is made, but glXMakeContextCurrent fails on any thread other
//            than the main one, so the helper thread starts without a context;
//   capture  the helper's context is made, but on any thread other than the main one the point
//            draws that capture vertices are dropped and the next glGetError reports
//            GL_OUT_OF_MEMORY, as a driver does when a capture fails part way.
// HELPER_FAULT_LOG=PATH appends one line per fault put in, so a test can tell the shim acted.
//
// Owns: nothing of the program. May not: change any call on the main thread.
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <GL/gl.h>
#include <GL/glx.h>

#include "tests/lib/preload.h"

namespace {

bool fault_is(const char* mode) {
  const char* value = std::getenv("HELPER_FAULT");
  return value && std::strcmp(value, mode) == 0;
}

void note(const char* what) {
  const char* log = std::getenv("HELPER_FAULT_LOG");
  if (!log) return;
  if (FILE* f = std::fopen(log, "a")) {
    std::fprintf(f, "%s\n", what);
    std::fclose(f);
  }
}

bool on_main_thread() {
  return syscall(SYS_gettid) == getpid();
}

thread_local bool t_dropped_a_draw = false;

}  // namespace

extern "C" {

GLXPbuffer glXCreatePbuffer(Display* dpy, GLXFBConfig config, const int* attributes) {
  if (fault_is("pbuffer")) {
    note("glXCreatePbuffer refused");
    return 0;
  }
  using Create = GLXPbuffer (*)(Display*, GLXFBConfig, const int*);
  return real_function<Create>("helper_fault", "glXCreatePbuffer")(dpy, config, attributes);
}

GLXContext glXCreateNewContext(Display* dpy, GLXFBConfig config, int render_type, GLXContext share,
                               Bool direct) {
  if (fault_is("context")) {
    note("glXCreateNewContext refused");
    return nullptr;
  }
  using Create = GLXContext (*)(Display*, GLXFBConfig, int, GLXContext, Bool);
  return real_function<Create>("helper_fault", "glXCreateNewContext")(dpy, config, render_type,
                                                                      share, direct);
}

Bool glXMakeContextCurrent(Display* dpy, GLXDrawable draw, GLXDrawable read, GLXContext context) {
  if (fault_is("current") && context != nullptr && !on_main_thread()) {
    note("glXMakeContextCurrent refused");
    return False;
  }
  using Make = Bool (*)(Display*, GLXDrawable, GLXDrawable, GLXContext);
  return real_function<Make>("helper_fault", "glXMakeContextCurrent")(dpy, draw, read, context);
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
  if (fault_is("capture") && mode == GL_POINTS && !on_main_thread()) {
    if (!t_dropped_a_draw) note("helper capture dropped");
    t_dropped_a_draw = true;
    return;
  }
  using Draw = void (*)(GLenum, GLint, GLsizei);
  real_function<Draw>("helper_fault", "glDrawArrays")(mode, first, count);
}

GLenum glGetError() {
  const GLenum error = real_function<GLenum (*)()>("helper_fault", "glGetError")();
  if (t_dropped_a_draw && error == GL_NO_ERROR) {
    t_dropped_a_draw = false;
    return GL_OUT_OF_MEMORY;
  }
  return error;
}

}  // extern "C"
