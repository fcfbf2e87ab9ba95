// The capture helper: its context and its thread.
//
// GL context discipline. The window's context is current on the main thread only, for the whole
// run. The helper context is current only on the helper thread, from the start of one capture
// to its end, and is released before the thread ends; a new thread is started for each capture
// and joined by end_helper_capture, so at most one helper thread exists at a time. The two
// contexts share objects, but each uses its own program: a program's built-in uniforms (the
// model-view-projection matrix among them) are loaded from the context that draws with it, and
// Mesa keeps them in the program object, so two contexts drawing with one program at once would
// race for them. The helper's program is linked from the capturing program's own shader objects,
// and is not logged. What they share in use is the capture buffer, written in disjoint ranges; each
// binds the work's inputs (buffer objects, or the arena's records as client arrays) itself. Object changes cross between them the
// ways GL orders them: the buffer's storage is allocated by the window's context before a fence
// that the helper waits on, and the helper finishes (glFinish) before it releases its context,
// after which the window's context binds the buffer again to draw from it. Xlib is shared between
// the threads, which XInitThreads (called before the window is opened) makes safe.
#include "app/capture_helper.h"

#include <GL/glx.h>

#include <system_error>
#include <thread>

#include "app/draw.h"
#include "shading/programs.h"

namespace {

// Everything the helper keeps between captures. Made at the first capture for a window context,
// and kept for the life of the process like the programs.
struct CaptureHelperState {
  Display* display = nullptr;
  GLXContext context = nullptr;   // shares objects with the window's context
  GLXPbuffer pbuffer = 0;         // 1x1: the helper draws nothing, it only captures
  GLXContext made_for = nullptr;  // the window context the helper was last made (or tried) for
  // The helper's own program, linked from the very shader objects of the program it captures
  // for. Made and used on the helper thread only.
  GLuint program = 0;
  GLuint copied = 0;  // the program it was linked from
  std::thread thread;
  bool complete = true;  // the chunks taken are all in the buffer; read after joining the thread
  // A driver may refuse a pbuffer or a shared context with an X error rather than a null result;
  // Xlib's default handler would end the process. While the helper is made, errors are only noted.
  bool x_error = false;
};
CaptureHelperState g_helper;

int note_x_error(Display*, XErrorEvent*) {
  g_helper.x_error = true;
  return 0;
}

bool make_helper_context() {
  Display* display = glXGetCurrentDisplay();
  GLXContext shared = glXGetCurrentContext();
  if (display == nullptr || shared == nullptr) return false;
  int screen = 0;
  if (glXQueryContext(display, shared, GLX_SCREEN, &screen) != Success) return false;
  const int wanted[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, None};
  int found = 0;
  GLXFBConfig* configs = glXChooseFBConfig(display, screen, wanted, &found);
  if (configs == nullptr) return false;
  if (found == 0) {
    XFree(configs);
    return false;
  }
  const int size[] = {GLX_PBUFFER_WIDTH, 1, GLX_PBUFFER_HEIGHT, 1, None};
  XSync(display, False);
  g_helper.x_error = false;
  const XErrorHandler previous = XSetErrorHandler(note_x_error);
  const GLXPbuffer pbuffer = glXCreatePbuffer(display, configs[0], size);
  const GLXContext context =
      glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, shared, glXIsDirect(display, shared));
  XSync(display, False);
  XSetErrorHandler(previous);
  XFree(configs);
  if (g_helper.x_error || pbuffer == 0 || context == nullptr) {
    if (context != nullptr) glXDestroyContext(display, context);
    if (pbuffer != 0) glXDestroyPbuffer(display, pbuffer);
    return false;
  }
  g_helper.display = display;
  g_helper.context = context;
  g_helper.pbuffer = pbuffer;
  return true;
}

// The copy captures the same outputs as the program, in the same order.
GLuint link_copy_of(GLuint program) {
  GLuint shaders[2] = {};
  GLsizei attached = 0;
  glGetAttachedShaders(program, 2, &attached, shaders);
  constexpr GLint kMostCaptured = 4;
  GLint captured = 0;
  glGetProgramiv(program, GL_TRANSFORM_FEEDBACK_VARYINGS, &captured);
  if (captured < 1 || captured > kMostCaptured) return 0;
  const GLuint copy = glCreateProgram();
  for (GLsizei i = 0; i < attached; ++i) glAttachShader(copy, shaders[i]);
  char names[kMostCaptured][64] = {};
  const GLchar* list[kMostCaptured] = {};
  for (GLint i = 0; i < captured; ++i) {
    GLsizei size = 0;
    GLenum type = 0;
    glGetTransformFeedbackVarying(program, static_cast<GLuint>(i), sizeof names[i], nullptr,
                                  &size, &type, names[i]);
    list[i] = names[i];
  }
  glTransformFeedbackVaryings(copy, captured, list, GL_INTERLEAVED_ATTRIBS);
  glLinkProgram(copy);
  GLint linked = 0;
  glGetProgramiv(copy, GL_LINK_STATUS, &linked);
  if (linked == GL_TRUE) return copy;
  glDeleteProgram(copy);
  return 0;
}

// Takes no chunk unless it can capture it: a helper that cannot start leaves all the work to the
// window's context.
void capture_on_helper(GLuint program, CaptureWork* work, GLsync ready) {
  g_helper.complete = true;
  if (!glXMakeContextCurrent(g_helper.display, g_helper.pbuffer, g_helper.pbuffer,
                             g_helper.context))
    return;
  if (g_helper.program == 0 || g_helper.copied != program) {
    g_helper.program = link_copy_of(program);  // the old copy is left alone, like every program
    g_helper.copied = program;
  }
  if (g_helper.program == 0) {
    glXMakeContextCurrent(g_helper.display, None, None, nullptr);
    return;
  }
  glWaitSync(ready, 0, GL_TIMEOUT_IGNORED);
  work->bind_inputs();
  glUseProgram(g_helper.program);
  for (int32_t first, count; work->take(&first, &count);)
    capture_points(work->buffer, work->record_size * first, work->record_size, first, count);
  glFinish();
  g_helper.complete = glGetError() == GL_NO_ERROR;
  glXMakeContextCurrent(g_helper.display, None, None, nullptr);
}

}  // namespace

bool begin_helper_capture(GLuint program, CaptureWork* work, GLsync ready) {
  // A window opened again (as the tests do) brings a new context, whose objects the old helper
  // cannot see: the helper is made anew for it. The old one is left alone, like every GL object
  // of the run; its display may be gone.
  const GLXContext window = glXGetCurrentContext();
  if (window != g_helper.made_for) {
    g_helper.made_for = window;
    g_helper.display = nullptr;
    g_helper.context = nullptr;
    g_helper.pbuffer = 0;
    g_helper.program = 0;  // it named an object of the old context's share group
    g_helper.copied = 0;
    make_helper_context();
  }
  if (g_helper.context == nullptr) return false;
  try {
    g_helper.thread = std::thread(capture_on_helper, program, work, ready);
  } catch (const std::system_error&) {
    return false;  // no thread to be had (its stack did not fit, say): this context captures all
  }
  return true;
}

bool end_helper_capture() {
  if (!g_helper.thread.joinable()) return false;
  g_helper.thread.join();
  return g_helper.complete;
}
